#include "cli/pack_command.h"

#include <cinttypes>
#include <cstdio>

#include "archive/archive_self.h"
#include "archive/archive_writer.h"
#include "cli/pack_progress.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "scan/pack_list.h"

namespace varnok {

PackCommand::PackCommand(CLI::App& app)
    : Command(app, "pack", "Pack every file beneath a folder into an archive") {
  CLI::App& command = subcommand();
  command.add_option("FOLDER", folder_, "The folder to pack")->required();
  command.add_option("-o,--output", archive_, "The archive to write")
      ->required();
  command.add_option("--base", basePath_,
                     "Names start at the first occurrence of this text in "
                     "each path (default: data/)");
  command.add_flag("--compress", compress_,
                   "Deflate every file (default: store them unchanged)");
  command.add_flag("-q,--quiet", quiet_, "Print nothing but errors");
}

int PackCommand::Run() {
  std::string folder;
  const Status found = FindFolderToPack(folder_, &folder);
  if (!found.ok()) {
    PrintError(found);
    return kExitFailure;
  }

  PackRequest request;
  request.paths = ListFilesToPack(folder);
  CArchiveSelf(archive_).RemoveFrom(request.paths);
  request.archiveName = archive_;
  request.basePath = basePath_;
  request.compress = compress_;

  CPackProgress progress(!quiet_ && StandardErrorIsTerminal() ? stderr : nullptr);
  CArchiveWriter writer;
  const Status status = writer.Pack(request, &progress);
  progress.Finish();
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  if (!quiet_) {
    PathInfo info;
    std::string reason;
    const uint64_t archiveBytes =
        QueryPath(archive_, &info, &reason) ? info.size : 0;
    const uint32_t entries = progress.last().entriesTotal;
    char summary[128];
    std::snprintf(summary, sizeof summary,
                  ": %" PRIu32 " %s, %" PRIu64 " source bytes, %" PRIu64
                  " archive bytes\n",
                  entries, entries == 1 ? "entry" : "entries",
                  progress.last().bytesTotal, archiveBytes);
    WriteText(StandardStream::kOutput, archive_ + summary);
  }
  return kExitSuccess;
}

}  // namespace varnok
