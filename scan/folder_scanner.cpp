#include "scan/folder_scanner.h"

#include <utility>

#include "platform/file_system.h"
#include "platform/folder_enumerator.h"

namespace varnok {
namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

// "*.*" (and "*") match every name, names without a dot included; other
// patterns follow shell wildcard rules.
class NamePattern {
 public:
  explicit NamePattern(const std::string& pattern)
      : pattern_(pattern), matchesAll_(pattern == "*.*" || pattern == "*") {}

  bool Matches(const std::string& name) const {
    return matchesAll_ || MatchesWildcard(pattern_, name);
  }

 private:
  const std::string& pattern_;
  bool matchesAll_;
};

}  // namespace

bool CFolderScanner::ClearFolders() {
  folders_.clear();
  unreadable_.clear();
  notedUnreadable_.clear();
  progress_.folders = 0;
  stopped_ = false;
  return true;
}

bool CFolderScanner::SetRoot(const std::string& path, bool recurse) {
  if (stopped_) return false;
  root_ = path;
  StripTrailingSeparators(root_);
  ++progress_.folders;  // the root
  if (recurse) CollectSubfolders(folders_, root_);
  if (stopped_) return false;
  folders_.push_back(root_);
  return true;
}

bool CFolderScanner::ClearFoundFiles() {
  foundFiles_.clear();
  leftOut_.clear();
  progress_.files = 0;
  return true;
}

bool CFolderScanner::FindFiles(const std::string& pattern, bool includeFiles,
                               bool includeFolders) {
  if (stopped_) return false;
  for (const std::string& folder : folders_) {
    if (folder.empty()) continue;
    if (!SearchFolder(folder, pattern, includeFiles, includeFolders)) {
      return false;
    }
  }
  return true;
}

// Each pass removes trailing white space and then one trailing separator; a
// pass that finds no separator at the end leaves s as the pass found it, so
// white space goes only together with a separator. A root ("/", "C:\")
// keeps its separator.
void CFolderScanner::StripTrailingSeparators(std::string& s) {
  for (;;) {
    size_t end = s.size();
    while (end > 0 && IsWhiteSpace(s[end - 1])) --end;
    if (end == 0 || !IsPathSeparator(s[end - 1])) return;
    const std::string_view rest(s.data(), end);
    if (SplitPath(rest).folder.size() == end) {
      s.resize(end);  // a root, followed by white space
      return;
    }
    s.resize(end - 1);
  }
}

// Depth first: every folder beneath `folder` is appended after all the
// folders beneath it. A folder's names are read and the folder closed before
// the walk descends, so only one folder is open at a time. Links to folders
// are not entered, so the walk ends.
bool CFolderScanner::CollectSubfolders(std::vector<std::string>& list,
                                       const std::string& folder) {
  try {
    std::vector<std::string> names;
    {
      FolderEnumerator entries(folder, FolderEnumerator::kTypeOnly);
      FolderEntry entry;
      while (entries.Next(&entry)) {
        if (entry.type == EntryType::kFolder) {
          names.push_back(entry.name);
          ++progress_.folders;
        }
        if (!Report()) return false;
      }
      if (!entries.error().empty()) NoteUnreadable(folder, entries.error());
    }
    for (const std::string& name : names) {
      std::string sub = JoinPath(folder, name);
      if (!CollectSubfolders(list, sub)) return false;
      list.push_back(std::move(sub));
    }
  } catch (...) {
    return false;
  }
  return true;
}

void CFolderScanner::NoteUnreadable(const std::string& folder,
                                    const std::string& reason) {
  if (notedUnreadable_.insert(folder).second) {
    unreadable_.push_back({folder, reason});
  }
}

// Reports the wanted entries of one folder. The folder is used as listed:
// SetRoot has already stripped the root, and collected folders never end in
// a separator. Stripping again would turn a folder named " " into its parent.
bool CFolderScanner::SearchFolder(const std::string& folder,
                                  const std::string& pattern,
                                  bool includeFiles, bool includeFolders) {
  const std::string base = JoinPath(folder, "");
  FolderEnumerator entries(folder, details_ == Details::kFull
                                       ? FolderEnumerator::kFull
                                       : FolderEnumerator::kTypeOnly);
  try {
    const NamePattern names(pattern);
    FolderEntry entry;
    while (entries.Next(&entry)) {
      const bool isFolder = entry.type == EntryType::kFolder;
      if (!isFolder && entry.type != EntryType::kFile) {
        if (includeFiles && names.Matches(entry.name)) {
          leftOut_.push_back({base + entry.name, entry.type});
        }
      } else if ((isFolder ? includeFolders : includeFiles) &&
                 names.Matches(entry.name)) {
        AddFound(base, entry);
      }
      if (!Report()) return false;
    }
    if (!entries.error().empty()) NoteUnreadable(folder, entries.error());
  } catch (...) {
    return false;
  }
  return true;
}

void CFolderScanner::AddFound(const std::string& base,
                              const FolderEntry& entry) {
  FoundFile found;
  found.path.reserve(base.size() + entry.name.size());
  found.path.append(base).append(entry.name);
  found.isFolder = entry.type == EntryType::kFolder;
  found.attributes = entry.attributes;
  found.creationTime = entry.creationTime;
  found.lastWriteTime = entry.lastWriteTime;
  found.size = entry.size;
  foundFiles_.push_back(std::move(found));
  ++progress_.files;
}

bool CFolderScanner::Report() {
  if (observer_ != nullptr && !stopped_ &&
      !observer_->OnScanProgress(progress_)) {
    stopped_ = true;
  }
  return !stopped_;
}

}  // namespace varnok
