#include "cli/command.h"

#include <cstdio>
#include <string>

#include "base/escape.h"

namespace varnok {

Command::Command(CLI::App& app, std::string_view name,
                 std::string_view description)
    : subcommand_(app.add_subcommand(std::string(name), std::string(description))) {}

void PrintError(const Status& status) { PrintNote(status.ToString()); }

void PrintWarning(const Status& status) {
  PrintNote(std::string(messages::kWarning) + ": " + status.ToString());
}

void PrintNote(std::string_view text) {
  const std::string line = "kzf: " + EscapeControls(text) + "\n";
  std::fputs(line.c_str(), stderr);
}

const CLI::Validator kNotEmpty(
    [](std::string& value) {
      return value.empty() ? std::string("must not be empty") : std::string();
    },
    "", "not empty");

}  // namespace varnok
