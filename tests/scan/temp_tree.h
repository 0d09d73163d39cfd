// A folder tree in a fresh temporary folder, removed again at the end.

#ifndef VARNOK_TESTS_SCAN_TEMP_TREE_H_
#define VARNOK_TESTS_SCAN_TEMP_TREE_H_

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/temp_folder.h"

namespace varnok {

class TempTree {
 public:
  TempTree() : root_(folder_.path().string()) {}
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  std::string Path(const std::string& relative) const {
    return root_ + "/" + relative;
  }

  // Creates the folder and any missing parents; returns its full path.
  std::string AddFolder(const std::string& relative) const {
    std::filesystem::create_directories(Path(relative));
    return Path(relative);
  }
  // Creates a file holding contents, and any missing parents.
  std::string AddFile(const std::string& relative,
                      const std::string& contents = "") const {
    const std::filesystem::path path = Path(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
  }
  // Creates a symbolic link at relative that leads to target.
  std::string AddLink(const std::string& relative,
                      const std::string& target) const {
    std::filesystem::create_symlink(target, Path(relative));
    return Path(relative);
  }

 private:
  test::TempFolder folder_;
  std::string root_;
};

}  // namespace varnok

#endif  // VARNOK_TESTS_SCAN_TEMP_TREE_H_
