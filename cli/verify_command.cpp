#include "cli/verify_command.h"

#include <string>

#include "archive/archive_reader.h"
#include "base/sizes.h"
#include "cli/standard_output.h"

namespace varnok {

VerifyCommand::VerifyCommand(CLI::App& app)
    : Command(app, "verify",
              "Check an archive's layout and every entry's CRC and data") {
  AddArchiveToRead(&archive_);
}

int VerifyCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchive(archive_, &reader)) return kExitFailure;
  Status status;
  // Every entry is checked, whatever the ones before it hold.
  const size_t count = reader.entries().size();
  size_t damaged = 0;
  for (size_t i = 0; i < count; ++i) {
    status = reader.VerifyEntry(i);
    if (!status.ok()) {
      PrintError(status);
      ++damaged;
    }
  }
  if (damaged > 0) {
    PrintError(Status::Damaged(
        messages::kDamagedArchive, ArchiveName(archive_),
        std::to_string(damaged) + " of " +
            Count(count, "entry", "entries") + " damaged"));
    return kExitFailure;
  }
  StandardOutput out;
  out.Print(ArchiveName(archive_) + ": OK, " + Count(count, "entry", "entries") + "\n");
  return out.Finish() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
