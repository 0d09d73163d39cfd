#include "cli/list_command.h"

#include <cinttypes>
#include <cstdio>

#include "archive/archive_reader.h"
#include "cli/standard_output.h"

namespace varnok {

ListCommand::ListCommand(CLI::App& app)
    : Command(app, "list", "List the entries of an archive") {
  subcommand().add_option("ARCHIVE", archive_, "The archive")->required();
}

int ListCommand::Run() {
  CArchiveReader reader;
  Status status = reader.Open(archive_);
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  StandardOutput out;
  for (const ArchiveEntry& entry : reader.entries()) {
    const EntryRecord& record = entry.record;
    char fields[64];
    std::snprintf(fields, sizeof fields,
                  "%-8s %10" PRIu32 " %10" PRIu32 " %08" PRIx32 " ",
                  record.method == kMethodDeflated ? "deflated" : "stored",
                  record.size, record.packedSize, record.crc);
    out.Print(fields + DisplayName(entry.name) + "\n");
  }
  return out.Finish() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
