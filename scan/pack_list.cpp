#include "scan/pack_list.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
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

PackList ListFilesToPack(const std::string& folder, ScanObserver* observer) {
  // Only the paths are needed, so no file is asked for its status.
  CFolderScanner scanner(CFolderScanner::Details::kPathsOnly);
  scanner.SetObserver(observer);
  scanner.ClearFolders();
  scanner.SetRoot(folder, true);
  scanner.ClearFoundFiles();
  scanner.FindFiles("*.*", true, false);

  PackList list;
  list.root = scanner.root();
  if (scanner.stopped()) {
    list.stopped = true;
    return list;
  }
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

namespace {

// Finds the files a list names beneath one folder, as the scan finds them:
// a file, or a link to one, is taken; a folder stands for none of its
// files; a link to a folder, a broken link and any other entry are left
// out; and nothing is taken through a link to a folder, which the scan
// never enters.
class NamedFiles {
 public:
  // root: the folder's full path; spelling: the folder as the user named it.
  NamedFiles(PackList* list, std::vector<Status>* failures,
             std::string_view spelling)
      : list_(list), failures_(failures) {
    for (std::string_view folder : {std::string_view(list->root), spelling}) {
      while (!folder.empty() && IsPathSeparator(folder.back())) {
        folder.remove_suffix(1);
      }
      spellings_.push_back(folder);
    }
  }

  // Takes the file that name names, or says why not.
  void Take(const std::string& name);

 private:
  // name beneath the folder: without the folder's own spelling (its full
  // path, or as it was given) and the separators after it when it begins
  // with one; nothing when it is the folder itself.
  std::optional<std::string_view> Beneath(std::string_view name) const;
  // True when the entry at path is a symbolic link (or a junction).
  bool IsLink(const std::string& path);
  void LeaveOut(const std::string& path, EntryType type);

  PackList* const list_;
  std::vector<Status>* const failures_;
  std::vector<std::string_view> spellings_;
  std::unordered_map<std::string, bool> links_;
  std::unordered_set<std::string> taken_;  // FileNameKeys of paths met
};

std::optional<std::string_view> NamedFiles::Beneath(
    std::string_view name) const {
  const auto same = [](char a, char b) {
    return a == b || (IsPathSeparator(a) && IsPathSeparator(b));
  };
  for (const std::string_view spelling : spellings_) {
    if (name.size() < spelling.size() ||
        !std::equal(spelling.begin(), spelling.end(), name.begin(), same)) {
      continue;
    }
    std::string_view rest = name.substr(spelling.size());
    if (!rest.empty() && !IsPathSeparator(rest.front())) continue;
    while (!rest.empty() && IsPathSeparator(rest.front())) rest.remove_prefix(1);
    if (rest.empty()) return std::nullopt;
    return rest;
  }
  return name;
}

bool NamedFiles::IsLink(const std::string& path) {
  const auto [known, added] = links_.emplace(path, false);
  if (added) {
    const std::optional<std::string> target = ResolveLink(path);
    known->second = !target || *target != path;
  }
  return known->second;
}

void NamedFiles::LeaveOut(const std::string& path, EntryType type) {
  if (taken_.insert(FileNameKey(path)).second) {
    list_->leftOut.push_back({path, type});
  }
}

void NamedFiles::Take(const std::string& name) {
  const std::optional<std::string_view> relative = Beneath(name);
  if (!relative || relative->empty()) return;  // the folder itself
  // The components, joined again by the system's separator.
  std::vector<std::string_view> parts;
  bool inside = !IsPathSeparator(relative->front());
  for (std::string_view part : SplitComponents(*relative, IsPathSeparator)) {
    if (!inside) break;
    if (part == "..") inside = false;
    if (!part.empty() && part != ".") parts.push_back(part);
  }
  if (!inside) {
    failures_->push_back(
        Status::BadRequest(messages::kNotInFolder, EscapeName(name)));
    return;
  }
  if (parts.empty()) return;  // "./": the folder itself
  std::string path = list_->root;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    path = JoinPath(path, parts[i]);
    if (IsLink(path)) {
      failures_->push_back(Status::BadRequest(
          messages::kNotInFolder, EscapeName(name), messages::kThroughLink));
      return;
    }
  }
  path = JoinPath(path, parts.back());
  PathInfo info;
  std::string reason;
  if (!QueryPath(path, &info, &reason)) {
    if (IsLink(path)) {
      LeaveOut(path, EntryType::kBrokenLink);
    } else {
      failures_->push_back(
          Status::IoError(messages::kCantReadFile, path, reason));
    }
  } else if (info.kind == PathKind::kFile) {
    if (taken_.insert(FileNameKey(path)).second) {
      list_->paths.push_back(std::move(path));
    }
  } else if (info.kind == PathKind::kOther) {
    LeaveOut(path, EntryType::kOther);
  } else if (IsLink(path)) {
    LeaveOut(path, EntryType::kLinkToFolder);
  }
}

}  // namespace

PackList ListNamedFiles(const std::string& folder, std::string_view spelling,
                        const std::vector<std::string>& names,
                        std::vector<Status>* failures) {
  PackList list;
  list.root = folder;
  CFolderScanner::StripTrailingSeparators(list.root);
  NamedFiles files(&list, failures, spelling);
  for (const std::string& name : names) files.Take(name);
  SortPaths(list.paths);
  std::stable_sort(list.leftOut.begin(), list.leftOut.end(),
                   [](const LeftOutEntry& a, const LeftOutEntry& b) {
                     return PathLess(a.path, b.path);
                   });
  return list;
}

std::vector<std::string> SplitNameList(std::string_view bytes, bool nul) {
  const char end = nul ? '\0' : '\n';
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (!nul && bytes.starts_with(kByteOrderMark)) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  std::vector<std::string> names;
  while (!bytes.empty()) {
    const size_t stop = std::min(bytes.find(end), bytes.size());
    std::string_view name = bytes.substr(0, stop);
    if (!nul && name.ends_with('\r')) name.remove_suffix(1);
    if (!name.empty()) names.emplace_back(name);
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
