#include "cli/command.h"

#include <charconv>
#include <string>

#include "archive/archive_reader.h"
#include "base/escape.h"
#include "platform/console.h"
#include "platform/process.h"

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

void Command::AddArchiveToRead(std::string* archive) {
  subcommand_
      ->add_option("ARCHIVE", *archive,
                   "The archive; - reads it from standard input")
      ->required()
      ->check(kNotEmpty);
}

void Command::AddJobs(unsigned* jobs, const char* work) {
  *jobs = AvailableCores();
  subcommand_
      ->add_option("-j,--jobs", *jobs,
                   std::string("Threads that ") + work +
                       " (default: the cores this process may run on)")
      ->check(kAtLeastOne)
      ->capture_default_str();
}

bool OpenArchive(const std::string& path, CArchiveReader* reader) {
  const Status status = path == kStandardStream ? reader->OpenStandardInput()
                                                : reader->Open(path);
  if (!status.ok()) PrintError(status);
  return status.ok();
}

std::string ArchiveName(const std::string& argument) {
  return argument == kStandardStream ? messages::kStandardInput : argument;
}

namespace {

// A validator that refuses a value for which refuse is true with message.
CLI::Validator Refusing(bool (*refuse)(const std::string&), const char* message,
                        const char* name) {
  return CLI::Validator(
      [refuse, message](std::string& value) {
        return refuse(value) ? std::string(message) : std::string();
      },
      "", name);
}

bool IsEmpty(const std::string& value) { return value.empty(); }
bool IsStandardStream(const std::string& value) {
  return value == kStandardStream;
}

}  // namespace

const CLI::Validator kAtLeastOne(
    [](std::string& text) -> std::string {
      unsigned value = 0;
      const char* end = text.data() + text.size();
      const auto [stop, error] = std::from_chars(text.data(), end, value);
      if (error == std::errc() && stop == end && value > 0) return {};
      return "expected a whole number of 1 or more, not \"" + text + "\"";
    },
    "");
const CLI::Validator kNotEmpty =
    Refusing(IsEmpty, messages::kMustNotBeEmpty, "not empty");
const CLI::Validator kNotStandardOutput = Refusing(
    IsStandardStream, messages::kArchiveNotToStandardOutput, "not -");
const CLI::Validator kNotStandardInput = Refusing(
    IsStandardStream, messages::kArchiveNotFromStandardInput, "not -");

}  // namespace varnok
