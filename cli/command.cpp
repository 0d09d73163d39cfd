#include "cli/command.h"

#include <cstdio>
#include <string>

namespace varnok {

Command::Command(CLI::App& app, std::string_view name,
                 std::string_view description)
    : subcommand_(app.add_subcommand(std::string(name), std::string(description))) {}

void PrintError(const Status& status) { PrintError(status.ToString()); }

void PrintError(std::string_view text) {
  std::fprintf(stderr, "kzf: %.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace varnok
