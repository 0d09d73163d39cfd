// Finds the entries beneath a root folder.
//
// A scan is two walks. SetRoot collects the root and every folder beneath it
// into `folders`, each folder after all the folders beneath it and the root
// last. FindFiles then enumerates each listed folder again and appends a
// FoundFile for every wanted entry, folder by folder in that order and, within
// one folder, in the order the file system delivers the entries.
//
// Both operations only append: a second SetRoot without ClearFolders lists a
// second tree after the first, and a second FindFiles without ClearFoundFiles
// reports every entry again.
//
// A folder that can't be opened, or whose reading fails part-way, counts as
// empty (or as holding what was read before the failure), and is noted with
// the reason among the unreadable folders. A walk reads a folder's names and
// closes it before it descends, so it holds one folder open at a time
// however deep the tree. Symbolic links to folders are neither entered nor
// listed, so the walk always ends. Only regular files and links to regular
// files are files: links to folders, broken links, FIFOs, sockets and devices
// are left out, and noted as such when files are wanted. Paths are byte
// strings, joined with one separator of the system's (JoinPath: '/', or
// '\\' on Windows).
//
// An observer (SetObserver) is told of the progress after every entry either
// walk reads, and may stop the scan there: a scan that is stopped reads no
// further entry, so it ends at once however large the tree.

#ifndef VARNOK_SCAN_FOLDER_SCANNER_H_
#define VARNOK_SCAN_FOLDER_SCANNER_H_

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/folder_enumerator.h"

namespace varnok {

// One result of a scan.
struct FoundFile {
  std::string path;  // the searched folder, one separator, the entry's name
  bool isFolder = false;
  uint32_t attributes = 0;     // attribute bits, see folder_enumerator.h
  uint64_t creationTime = 0;   // 100 ns intervals since 1601-01-01 UTC
  uint64_t lastWriteTime = 0;  // same form
  uint64_t size = 0;
};

// A folder whose entries a scan could not read, or not all of them.
struct UnreadableFolder {
  std::string path;
  std::string reason;  // the system's explanation
};

// An entry that matched but is neither a file nor a folder.
struct LeftOutEntry {
  std::string path;
  EntryType type = EntryType::kOther;
};

// How far a scan has come.
struct ScanProgress {
  uint64_t folders = 0;  // folders found so far, the root included
  uint64_t files = 0;    // results found so far
};

// Told of a running scan's progress, on the thread that scans.
class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  // Called after every entry read, so it must be cheap. Returning false
  // stops the scan.
  virtual bool OnScanProgress(const ScanProgress& progress) = 0;
};

class CFolderScanner {
 public:
  // What FindFiles fills in besides each result's path and folder flag.
  enum class Details {
    kFull,       // attributes, times and size too
    kPathsOnly,  // nothing more (attributes hold only the folder bit, the
                 // rest is zero); saves a status call per file
  };

  CFolderScanner() = default;
  explicit CFolderScanner(Details details) : details_(details) {}
  virtual ~CFolderScanner() = default;

  // observer (may be null) is told of the progress from now on; it must
  // outlive the scans it watches.
  void SetObserver(ScanObserver* observer) { observer_ = observer; }

  // Empties the folder list and the unreadable folders, and ends a stop.
  // Always true.
  bool ClearFolders();
  // Stores path, stripped of trailing separators, as the root; collects the
  // folders beneath it when recurse is set; then appends the root to the
  // folder list. False when the scan is stopped: the folder list then holds
  // the folders collected before the stop, without the root.
  bool SetRoot(const std::string& path, bool recurse);
  // Empties the results and the entries left out. Always true.
  bool ClearFoundFiles();
  // Searches every listed folder for entries whose names match pattern
  // ("*.*" matches every name) and appends the wanted ones to the results.
  // False when the scan is stopped, with the results found before the stop.
  bool FindFiles(const std::string& pattern, bool includeFiles,
                 bool includeFolders);

  // True once the observer has stopped the scan, until ClearFolders.
  bool stopped() const { return stopped_; }

  const std::string& root() const { return root_; }
  const std::vector<std::string>& folders() const { return folders_; }
  const std::vector<FoundFile>& foundFiles() const { return foundFiles_; }
  // Each folder that either walk could not read to its end, once, in the
  // order they were met.
  const std::vector<UnreadableFolder>& unreadableFolders() const {
    return unreadable_;
  }
  // The entries FindFiles left out while it looked for files.
  const std::vector<LeftOutEntry>& leftOut() const { return leftOut_; }
  // Hand the lists over to the caller and leave them empty.
  std::vector<FoundFile> TakeFoundFiles() {
    return std::exchange(foundFiles_, {});
  }
  std::vector<UnreadableFolder> TakeUnreadableFolders() {
    notedUnreadable_.clear();
    return std::exchange(unreadable_, {});
  }
  std::vector<LeftOutEntry> TakeLeftOut() {
    return std::exchange(leftOut_, {});
  }

  // Removes trailing separators from s, each with the white space after it:
  // "a/b/ /" becomes "a/b", while "a/b " keeps its blank. Separators are
  // those of the system (IsPathSeparator: '/', and on Windows '\\' too). A
  // root keeps its separator: "/" stays "/", and "C:\" stays "C:\".
  static void StripTrailingSeparators(std::string& s);

 private:
  // Appends every folder beneath folder to list, deepest first. False when
  // the scan was stopped or memory ran out on the way.
  bool CollectSubfolders(std::vector<std::string>& list,
                         const std::string& folder);
  // Reports the wanted entries of folder; false as CollectSubfolders.
  bool SearchFolder(const std::string& folder, const std::string& pattern,
                    bool includeFiles, bool includeFolders);
  // Appends entry, found in the folder whose path with a separator is base,
  // to the results.
  void AddFound(const std::string& base, const FolderEntry& entry);
  // Notes folder as unreadable, unless it is noted already.
  void NoteUnreadable(const std::string& folder, const std::string& reason);
  // Tells the observer of the progress; false when the scan is stopped.
  bool Report();

  std::string root_;
  std::vector<std::string> folders_;
  std::vector<FoundFile> foundFiles_;
  std::vector<UnreadableFolder> unreadable_;
  std::unordered_set<std::string> notedUnreadable_;  // their paths
  std::vector<LeftOutEntry> leftOut_;
  Details details_ = Details::kFull;
  ScanObserver* observer_ = nullptr;
  ScanProgress progress_;
  bool stopped_ = false;
};

}  // namespace varnok

#endif  // VARNOK_SCAN_FOLDER_SCANNER_H_
