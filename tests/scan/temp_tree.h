// A folder tree in a fresh temporary folder, removed again at the end.

#ifndef VARNOK_TESTS_SCAN_TEMP_TREE_H_
#define VARNOK_TESTS_SCAN_TEMP_TREE_H_

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace varnok {

class TempTree {
 public:
  TempTree() : root_(folder_.path().string()) {}
  // Chains of too deep folders go first: removal by path can't reach them.
  ~TempTree() {
    for (const std::string& top : chains_) {
      const int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
      if (fd >= 0) RemoveChain(fd);
      if (fd >= 0) ::close(fd);
    }
  }
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
  // Creates the folder relative and beneath it a chain of folders, made one
  // step at a time, down to one whose path is too long for the system to
  // open (PATH_MAX); returns that folder's path.
  std::string AddTooDeepFolder(const std::string& relative) {
    std::string path = AddFolder(relative);
    chains_.push_back(path);
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    while (fd >= 0 && path.size() < PATH_MAX) {
      ::mkdirat(fd, Link(), 0755);
      const int next = ::openat(fd, Link(), O_RDONLY | O_DIRECTORY);
      ::close(fd);
      fd = next;
      path += std::string("/") + Link();
    }
    if (fd >= 0) ::close(fd);
    return path;
  }

 private:
  // A folder name of 200 bytes: one link of a chain.
  static const char* Link() {
    static const std::string link(200, 'd');
    return link.c_str();
  }

  // Removes the chain beneath the open folder, deepest first.
  static void RemoveChain(int folder) {
    const int next = ::openat(folder, Link(), O_RDONLY | O_DIRECTORY);
    if (next < 0) return;
    RemoveChain(next);
    ::close(next);
    ::unlinkat(folder, Link(), AT_REMOVEDIR);
  }

  test::TempFolder folder_;
  std::string root_;
  std::vector<std::string> chains_;
};

}  // namespace varnok

#endif  // VARNOK_TESTS_SCAN_TEMP_TREE_H_
