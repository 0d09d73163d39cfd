#include "cli/command.h"

#include <string>

#include "platform/console.h"

namespace varnok {

Command::Command(CLI::App& app, std::string_view name,
                 std::string_view description)
    : subcommand_(app.add_subcommand(std::string(name), std::string(description))) {}

void PrintError(const Status& status) { PrintError(status.ToString()); }

void PrintError(std::string_view text) {
  WriteText(StandardStream::kError, "kzf: " + std::string(text) + "\n");
}

}  // namespace varnok
