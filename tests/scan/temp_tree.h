// A folder tree in a fresh temporary folder, removed again at the end.

#ifndef VARNOK_TESTS_SCAN_TEMP_TREE_H_
#define VARNOK_TESTS_SCAN_TEMP_TREE_H_

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/platform_test.h"
#include "tests/support/temp_folder.h"

namespace varnok {

class TempTree {
 public:
  TempTree() : root_(folder_.path().string()) {}
  // Chains of too deep folders go first: removal by path can't reach them.
  ~TempTree() {
    for (const std::string& top : chains_) test::RemoveTooDeepFolders(top);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  // The path of relative beneath the root, spelt with the system's
  // separators as the scanner joins paths.
  std::string Path(const std::string& relative) const {
    return test::NativePath(test::PathOf(root_ + "/" + relative));
  }

  // Creates the folder and any missing parents; returns its full path.
  std::string AddFolder(const std::string& relative) const {
    std::filesystem::create_directories(test::PathOf(Path(relative)));
    return Path(relative);
  }
  // Creates a file holding contents, and any missing parents.
  std::string AddFile(const std::string& relative,
                      const std::string& contents = "") const {
    const std::filesystem::path path = test::PathOf(Path(relative));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return Path(relative);
  }
  // Creates the folder relative holding files, each holding "content of
  // NAME"; returns the folder's full path.
  std::string AddFolderOfFiles(const std::string& relative,
                               const std::vector<std::string>& files) const {
    for (const std::string& file : files) {
      AddFile(relative + "/" + file, "content of " + file);
    }
    return AddFolder(relative);
  }
  // Creates a symbolic link at relative that leads to target (relative to
  // the link's folder, or absolute).
  std::string AddLink(const std::string& relative,
                      const std::string& target) const {
    namespace fs = std::filesystem;
    const fs::path link = test::PathOf(Path(relative));
    const fs::path to = test::PathOf(target);
    if (fs::is_directory(link.parent_path() / to)) {
      fs::create_directory_symlink(to, link);  // Windows tells the two apart
    } else {
      fs::create_symlink(to, link);
    }
    return Path(relative);
  }
  // Creates the folder relative and beneath it a chain of folders down to
  // one whose path is too long for the system to open; returns that
  // folder's path (POSIX only, see MakeTooDeepFolders).
  std::string AddTooDeepFolder(const std::string& relative) {
    const std::string path = AddFolder(relative);
    chains_.push_back(path);
    return test::MakeTooDeepFolders(path);
  }

 private:
  test::TempFolder folder_;
  std::string root_;
  std::vector<std::string> chains_;
};

}  // namespace varnok

#endif  // VARNOK_TESTS_SCAN_TEMP_TREE_H_
