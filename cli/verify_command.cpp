#include "cli/verify_command.h"

#include <string>

#include "archive/archive_reader.h"
#include "cli/standard_output.h"

namespace varnok {

VerifyCommand::VerifyCommand(CLI::App& app)
    : Command(app, "verify",
              "Check an archive's layout and every entry's CRC and data") {
  subcommand().add_option("ARCHIVE", archive_, "The archive")->required();
}

int VerifyCommand::Run() {
  CArchiveReader reader;
  Status status = reader.Open(archive_);
  if (status.ok()) status = reader.VerifyAll();
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  const size_t count = reader.entries().size();
  StandardOutput out;
  out.Print(archive_ + ": OK, " + std::to_string(count) +
            (count == 1 ? " entry\n" : " entries\n"));
  return out.Finish() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
