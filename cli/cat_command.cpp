#include "cli/cat_command.h"

#include <optional>

#include "archive/archive_reader.h"
#include "base/escape.h"
#include "cli/standard_output.h"
#include "platform/file_system.h"

namespace varnok {
namespace {

// Hands an entry's bytes to standard output as they come.
class OutputSink : public ByteSink {
 public:
  explicit OutputSink(StandardOutput& out) : out_(out) {}
  // Stops the read once standard output fails; Finish tells why.
  Status Append(std::string_view bytes) override {
    out_.Print(bytes);
    return out_.ok() ? Status::Ok() : Status::Cancelled();
  }

 private:
  StandardOutput& out_;
};

}  // namespace

CatCommand::CatCommand(CLI::App& app)
    : Command(app, "cat",
              "Write entries' original bytes to standard output") {
  CLI::App& command = subcommand();
  AddArchiveToRead(&archive_);
  command.add_option("NAME", names_,
                     "Stored names, as list --names prints them; the first "
                     "entry of a name is written")
      ->required();
  command.footer(
      "A damaged entry is found only once its bytes are written: kzf then "
      "names it and exits with status 1.");
}

int CatCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchive(archive_, &reader)) return kExitFailure;
  Status status;
  StandardOutput out;
  OutputSink sink(out);
  bool failed = false;
  for (const std::string& name : names_) {
    // Stored names are spelt as the archive spells them.
    const std::optional<std::string> stored = ToArchiveEncoding(name);
    const std::optional<size_t> index =
        stored ? reader.FindEntry(*stored) : std::nullopt;
    status = index ? reader.ReadEntry(*index, sink)
                   : Status::BadRequest(messages::kNotFoundInArchive,
                                        EscapeName(name));
    if (!out.ok()) break;
    if (!status.ok()) {
      PrintError(status);
      failed = true;
    }
  }
  return out.Finish() && !failed ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
