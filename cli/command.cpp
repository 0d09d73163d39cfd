#include "cli/command.h"

#include <string>

#include "archive/archive_reader.h"
#include "base/escape.h"
#include "platform/console.h"

namespace varnok {

Command::Command(CLI::App& app, std::string_view name,
                 std::string_view description)
    : subcommand_(app.add_subcommand(std::string(name), std::string(description))) {}

void PrintError(const Status& status) { PrintNote(status.ToString()); }

void PrintWarning(const Status& status) {
  PrintNote(std::string(messages::kWarning) + ": " + status.ToString());
}

void PrintNote(std::string_view text) {
  std::string ignored;
  WriteText(StandardStream::kError, "kzf: " + EscapeControls(text) + "\n",
            &ignored);
}

bool OpenArchive(const std::string& path, CArchiveReader* reader) {
  const Status status = reader->Open(path);
  if (!status.ok()) PrintError(status);
  return status.ok();
}

const CLI::Validator kNotEmpty(
    [](std::string& value) {
      return value.empty() ? std::string("must not be empty") : std::string();
    },
    "", "not empty");

}  // namespace varnok
