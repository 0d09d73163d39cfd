#include "scan/pack_list.h"

#include <algorithm>
#include <utility>

#include "base/messages.h"
#include "platform/file_system.h"
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

PackList ListFilesToPack(const std::string& folder) {
  // Only the paths are needed, so no file is asked for its status.
  CFolderScanner scanner(CFolderScanner::Details::kPathsOnly);
  scanner.ClearFolders();
  scanner.SetRoot(folder, true);
  scanner.ClearFoundFiles();
  scanner.FindFiles("*.*", true, false);

  PackList list;
  std::vector<FoundFile> found = scanner.TakeFoundFiles();
  list.paths.reserve(found.size());
  for (FoundFile& file : found) list.paths.push_back(std::move(file.path));
  SortPaths(list.paths);

  list.unreadableFolders = scanner.TakeUnreadableFolders();
  std::stable_sort(list.unreadableFolders.begin(), list.unreadableFolders.end(),
                   [](const UnreadableFolder& a, const UnreadableFolder& b) {
                     return PathLess(a.path, b.path);
                   });
  list.leftOut = scanner.TakeLeftOut();
  std::stable_sort(list.leftOut.begin(), list.leftOut.end(),
                   [](const LeftOutEntry& a, const LeftOutEntry& b) {
                     return PathLess(a.path, b.path);
                   });
  return list;
}

const char* DescribeLeftOut(EntryType type) {
  switch (type) {
    case EntryType::kLinkToFolder:
      return messages::kLinkToFolder;
    case EntryType::kBrokenLink:
      return messages::kBrokenLink;
    case EntryType::kFifo:
      return messages::kFifo;
    case EntryType::kSocket:
      return messages::kSocket;
    case EntryType::kDevice:
      return messages::kDevice;
    case EntryType::kFolder:
    case EntryType::kFile:
    case EntryType::kOther:
      break;
  }
  return messages::kSpecialFile;
}

}  // namespace varnok
