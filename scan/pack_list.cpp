#include "scan/pack_list.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "scan/folder_scanner.h"
#include "scan/path_order.h"

namespace varnok {
namespace {

// path made full against the current folder; empty when the current folder
// can't be found.
std::string FullPath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  std::string full(buffer.data());
  if (full.back() != '/') full += '/';
  return full + path;
}

}  // namespace

Status FindFolderToPack(const std::string& name, std::string* folder) {
  // An empty name is no name, not the current folder.
  std::string full = name.empty() ? std::string() : FullPath(name);
  if (name.empty()) errno = ENOENT;
  struct stat info;
  if (full.empty() || ::stat(full.c_str(), &info) != 0) {
    return Status::Error(folder_messages::kCantOpenFolder, name,
                         std::strerror(errno));
  }
  if (!S_ISDIR(info.st_mode)) {
    return Status::Error(folder_messages::kNotAFolder, name);
  }
  *folder = std::move(full);
  return Status::Ok();
}

std::vector<std::string> ListFilesToPack(const std::string& folder) {
  // Only the paths are needed, so no file is asked for its status.
  CFolderScanner scanner(CFolderScanner::Details::kPathsOnly);
  scanner.ClearFolders();
  scanner.SetRoot(folder, true);
  scanner.ClearFoundFiles();
  scanner.FindFiles("*.*", true, false);

  std::vector<FoundFile> found = scanner.TakeFoundFiles();
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (FoundFile& file : found) paths.push_back(std::move(file.path));
  SortPaths(paths);
  return paths;
}

}  // namespace varnok
