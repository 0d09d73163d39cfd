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
// A folder that can't be opened counts as empty. Symbolic links to folders
// are neither entered nor listed, so the walk always ends. Only regular files
// and links to regular files are files: FIFOs, sockets, devices and broken
// links are left out. Paths are byte strings, joined with one separator of
// the system's (JoinPath: '/', or '\\' on Windows).

#ifndef VARNOK_SCAN_FOLDER_SCANNER_H_
#define VARNOK_SCAN_FOLDER_SCANNER_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

  // Empties the folder list. Always true.
  bool ClearFolders();
  // Stores path, stripped of trailing separators, as the root; collects the
  // folders beneath it when recurse is set; then appends the root to the
  // folder list. Always true.
  bool SetRoot(const std::string& path, bool recurse);
  // Empties the results. Always true.
  bool ClearFoundFiles();
  // Searches every listed folder for entries whose names match pattern
  // ("*.*" matches every name) and appends the wanted ones to the results.
  bool FindFiles(const std::string& pattern, bool includeFiles,
                 bool includeFolders);

  const std::string& root() const { return root_; }
  const std::vector<std::string>& folders() const { return folders_; }
  const std::vector<FoundFile>& foundFiles() const { return foundFiles_; }
  // Hands the results over to the caller and leaves the list empty.
  std::vector<FoundFile> TakeFoundFiles() {
    return std::exchange(foundFiles_, {});
  }

  // Removes trailing separators from s, each with the white space after it:
  // "a/b/ /" becomes "a/b", while "a/b " keeps its blank. Separators are
  // those of the system (IsPathSeparator: '/', and on Windows '\\' too). A
  // root keeps its separator: "/" stays "/", and "C:\" stays "C:\".
  static void StripTrailingSeparators(std::string& s);

 private:
  // Appends every folder beneath folder to list, deepest first.
  bool CollectSubfolders(std::vector<std::string>& list,
                         const std::string& folder);
  bool SearchFolder(const std::string& folder, const std::string& pattern,
                    bool includeFiles, bool includeFolders);

  std::string root_;
  std::vector<std::string> folders_;
  std::vector<FoundFile> foundFiles_;
  Details details_ = Details::kFull;
};

}  // namespace varnok

#endif  // VARNOK_SCAN_FOLDER_SCANNER_H_
