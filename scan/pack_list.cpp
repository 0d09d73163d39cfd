#include "scan/pack_list.h"

#include <utility>

#include "platform/file_system.h"
#include "scan/folder_scanner.h"
#include "scan/path_order.h"

namespace varnok {

Status FindFolderToPack(const std::string& name, std::string* folder) {
  // An empty name stays empty, for the system to refuse, rather than naming
  // the current folder.
  std::string full;
  if (!name.empty()) {
    full = AbsolutePath(name);
    if (full.empty()) {
      return Status::IoError(messages::kCantOpenFolder, name,
                             messages::kNoCurrentFolder);
    }
  }
  PathInfo info;
  std::string reason;
  if (!QueryPath(full, &info, &reason)) {
    return Status::IoError(messages::kCantOpenFolder, name, reason);
  }
  if (info.kind != PathKind::kFolder) {
    return Status::BadRequest(messages::kNotAFolder, name);
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
