#include "cli/pack_command.h"

#include <charconv>
#include <string>
#include <system_error>

#include "archive/archive_self.h"
#include "archive/archive_writer.h"
#include "cli/pack_progress.h"
#include "cli/standard_output.h"
#include "platform/console.h"
#include "platform/file_system.h"

namespace varnok {
namespace {

// "1 thing" or "n things".
std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

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
  command.add_option("FOLDER", folder_, "The folder to pack")
      ->required()
      ->check(kNotEmpty);
  command.add_option("-o,--output", archive_, "The archive to write")
      ->required()
      ->check(kNotEmpty);
  command.add_option("--base", basePath_,
                     "Names start at the first occurrence of this text in "
                     "each path (default: data/)");
  command.add_flag("--compress", compress_,
                   "Deflate every file (default: store them unchanged)");
  command.add_flag("--skip-unreadable", skipUnreadable_,
                   "Warn about folders that can't be read and pack the rest "
                   "(default: fail before writing anything)");
  command.add_flag("-v,--verbose", verbose_,
                   "Name each entry left out because it is not a file");
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

bool PackCommand::ReportScan(const PackList& list) const {
  if (verbose_) {
    for (const LeftOutEntry& entry : list.leftOut) {
      PrintNote(std::string(messages::kLeftOut) + ": " + entry.path + ": " +
                DescribeLeftOut(entry.type));
    }
  }
  for (const UnreadableFolder& folder : list.unreadableFolders) {
    const Status status =
        Status::IoError(messages::kCantReadFolder, folder.path, folder.reason);
    if (skipUnreadable_) {
      PrintWarning(status);
    } else {
      PrintError(status);
    }
  }
  return skipUnreadable_ || list.unreadableFolders.empty();
}

std::string PackCommand::Summary(const PackList& list,
                                 const PackProgress& totals) const {
  PathInfo info;
  std::string reason;
  const uint64_t archiveBytes =
      QueryPath(archive_, &info, &reason) ? info.size : 0;
  std::string line =
      archive_ + ": " + Count(totals.entriesTotal, "entry", "entries") + ", " +
      std::to_string(totals.entriesReused) + " reused, " +
      std::to_string(totals.bytesTotal) + " source bytes, " +
      std::to_string(archiveBytes) + " archive bytes";
  std::string leftOut;
  if (!list.leftOut.empty()) {
    leftOut = Count(list.leftOut.size(), "link or special file",
                    "links or special files");
  }
  if (!list.unreadableFolders.empty()) {
    if (!leftOut.empty()) leftOut += ", ";
    leftOut += Count(list.unreadableFolders.size(), "unreadable folder",
                     "unreadable folders");
  }
  if (!leftOut.empty()) line += "; left out: " + leftOut;
  return line + "\n";
}

int PackCommand::Run() {
  std::string folder;
  const Status found = FindFolderToPack(folder_, &folder);
  if (!found.ok()) {
    PrintError(found);
    return kExitFailure;
  }

  PackList list = ListFilesToPack(folder);
  if (!ReportScan(list)) return kExitFailure;
  PackRequest request;
  request.paths = std::move(list.paths);
  Status status = CArchiveSelf(archive_).LeaveOut(request.paths);
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  request.archiveName = archive_;
  request.basePath = basePath_;
  request.compress = compress_;
  request.reuse = !noReuse_;

  CPackProgress progress(!quiet_ && StandardErrorIsTerminal() ? stderr : nullptr);
  CArchiveWriter writer(jobs_);
  status = writer.Pack(request, &progress);
  progress.Finish();
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  if (quiet_) return kExitSuccess;
  StandardOutput out;
  out.Print(Summary(list, progress.last()));
  return out.Finish() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
