#include "cli/pack_command.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <system_error>

#include "archive/archive_self.h"
#include "archive/archive_writer.h"
#include "cli/pack_progress.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "scan/pack_list.h"

namespace varnok {
namespace {

// Accepts a whole number of 1 or more, such as a count of threads.
const CLI::Validator kAtLeastOne(
    [](std::string& text) -> std::string {
      unsigned value = 0;
      const char* end = text.data() + text.size();
      const auto [stop, error] = std::from_chars(text.data(), end, value);
      if (error == std::errc() && stop == end && value > 0) return {};
      return "expected a whole number of 1 or more, not \"" + text + "\"";
    },
    "");

}  // namespace

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
  command.add_flag("--no-reuse", noReuse_,
                   "With --compress, deflate every file again, even where the "
                   "archive being replaced holds it already");
  command
      .add_option("-j,--jobs", jobs_,
                  "Threads that deflate files (default: the cores this "
                  "process may run on)")
      ->check(kAtLeastOne)
      ->capture_default_str();
  command.add_flag("-q,--quiet", quiet_, "Print nothing but errors");
}

int PackCommand::Run() {
  const std::string folder = AbsolutePath(folder_);
  PathInfo info;
  std::string reason = "Can't find the current folder";
  if (folder.empty() || !QueryPath(folder, &info, &reason)) {
    PrintError(Status::IoError(messages::kCantOpenFolder, folder_, reason));
    return kExitFailure;
  }
  if (info.kind != PathKind::kFolder) {
    PrintError(Status::BadRequest(messages::kNotAFolder, folder_));
    return kExitFailure;
  }

  PackRequest request;
  request.paths = ListFilesToPack(folder);
  CArchiveSelf(archive_).RemoveFrom(request.paths);
  request.archiveName = archive_;
  request.basePath = basePath_;
  request.compress = compress_;
  request.reuse = !noReuse_;

  CPackProgress progress(!quiet_ && StandardErrorIsTerminal() ? stderr : nullptr);
  CArchiveWriter writer(jobs_);
  const Status status = writer.Pack(request, &progress);
  progress.Finish();
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  if (!quiet_) {
    const uint64_t archiveBytes =
        QueryPath(archive_, &info, &reason) ? info.size : 0;
    const uint32_t entries = progress.last().entriesTotal;
    std::printf("%s: %" PRIu32 " %s, %" PRIu32 " reused, %" PRIu64
                " source bytes, %" PRIu64 " archive bytes\n",
                archive_.c_str(), entries, entries == 1 ? "entry" : "entries",
                progress.last().entriesReused, progress.last().bytesTotal,
                archiveBytes);
  }
  return kExitSuccess;
}

}  // namespace varnok
