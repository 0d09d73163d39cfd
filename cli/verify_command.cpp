#include "cli/verify_command.h"

#include <cstdio>

#include "archive/archive_reader.h"

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
  std::printf("%s: OK, %zu %s\n", archive_.c_str(), count,
              count == 1 ? "entry" : "entries");
  return kExitSuccess;
}

}  // namespace varnok
