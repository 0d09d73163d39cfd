#include "scan/pack_list.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "base/escape.h"
#include "base/messages.h"
#include "base/path_components.h"
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
  list.root = scanner.root();
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

PackList ListNamedFiles(const std::string& folder,
                        const std::vector<std::string>& names,
                        std::vector<Status>* failures) {
  PackList list;
  list.root = folder;
  CFolderScanner::StripTrailingSeparators(list.root);
  const std::string rootPrefix = JoinPath(list.root, "");
  std::unordered_set<std::string> listed;
  for (const std::string& name : names) {
    // A path that starts with the folder's own, whatever the separators,
    // is taken from there on.
    std::string_view relative = name;
    const bool underRoot =
        relative.size() >= rootPrefix.size() &&
        std::equal(rootPrefix.begin(), rootPrefix.end(), relative.begin(),
                   [](char a, char b) {
                     return a == b || (IsPathSeparator(a) && IsPathSeparator(b));
                   });
    if (underRoot) relative.remove_prefix(rootPrefix.size());
    // The components, joined again by the system's separator.
    std::string path = list.root;
    bool inside = !relative.empty() && !IsPathSeparator(relative.front());
    for (std::string_view part : SplitComponents(relative, IsPathSeparator)) {
      if (!inside) break;
      if (part == "..") inside = false;
      if (!part.empty() && part != ".") path = JoinPath(path, part);
    }
    if (!inside || path == list.root) {
      failures->push_back(
          Status::BadRequest(messages::kNotInFolder, EscapeName(name)));
      continue;
    }
    PathInfo info;
    std::string reason;
    if (!QueryPath(path, &info, &reason)) {
      failures->push_back(
          Status::IoError(messages::kCantReadFile, path, reason));
    } else if (info.kind != PathKind::kFile) {
      failures->push_back(
          Status::IoError(messages::kCantReadFile, path, messages::kNotARegularFile));
    } else if (listed.insert(path).second) {
      list.paths.push_back(std::move(path));
    }
  }
  SortPaths(list.paths);
  return list;
}

std::vector<std::string> SplitNameList(std::string_view bytes, bool nul) {
  const char end = nul ? '\0' : '\n';
  std::vector<std::string> names;
  while (!bytes.empty()) {
    const size_t stop = std::min(bytes.find(end), bytes.size());
    if (stop > 0) names.emplace_back(bytes.substr(0, stop));
    bytes.remove_prefix(std::min(stop + 1, bytes.size()));
  }
  return names;
}

std::string RelativePath(std::string_view root, std::string_view path) {
  size_t start = root.size();
  if (start < path.size() && IsPathSeparator(path[start])) ++start;
  std::string relative(path.substr(start));
  for (char& c : relative) {
    if (IsPathSeparator(c)) c = '/';
  }
  return relative;
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
