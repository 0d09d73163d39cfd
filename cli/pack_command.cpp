#include "cli/pack_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "archive/archive_writer.h"
#include "cli/archive_self.h"
#include "cli/pack_progress.h"
#include "scan/pack_list.h"

namespace varnok {

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  std::string absolute(buffer.data());
  if (absolute.back() != '/') absolute += '/';
  return absolute + path;
}

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
  const std::string folder = AbsolutePath(folder_);
  struct stat info;
  if (folder.empty() || ::stat(folder.c_str(), &info) != 0) {
    PrintError(Status::Error("Can't open folder",
                             folder_ + ": " + std::strerror(errno)));
    return kExitFailure;
  }
  if (!S_ISDIR(info.st_mode)) {
    PrintError(Status::Error("Not a folder", folder_));
    return kExitFailure;
  }

  PackRequest request;
  request.paths = ListFilesToPack(folder);
  CArchiveSelf(archive_).RemoveFrom(request.paths);
  request.archiveName = archive_;
  request.basePath = basePath_;
  request.compress = compress_;

  CPackProgress progress(!quiet_ && ::isatty(STDERR_FILENO) ? stderr : nullptr);
  CArchiveWriter writer;
  const Status status = writer.Pack(request, &progress);
  progress.Finish();
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  if (!quiet_) {
    const uint64_t archiveBytes =
        ::stat(archive_.c_str(), &info) == 0
            ? static_cast<uint64_t>(info.st_size)
            : 0;
    const uint32_t entries = progress.last().entriesTotal;
    std::printf("%s: %" PRIu32 " %s, %" PRIu64 " source bytes, %" PRIu64
                " archive bytes\n",
                archive_.c_str(), entries, entries == 1 ? "entry" : "entries",
                progress.last().bytesTotal, archiveBytes);
  }
  return kExitSuccess;
}

}  // namespace varnok
