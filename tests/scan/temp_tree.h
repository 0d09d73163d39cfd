// A folder tree in a fresh temporary folder, removed again at the end.

#ifndef VARNOK_TESTS_SCAN_TEMP_TREE_H_
#define VARNOK_TESTS_SCAN_TEMP_TREE_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace varnok {

class TempTree {
 public:
  TempTree() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "varnok-scan-XXXXXX")
            .string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
  }
  ~TempTree() {
    std::error_code error;
    // Give back any permission a test took away, so everything can go.
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_, std::filesystem::directory_options::skip_permission_denied,
             error);
         !error && it != std::filesystem::recursive_directory_iterator();
         it.increment(error)) {
      if (it->is_directory(error) && !it->is_symlink(error)) {
        std::filesystem::permissions(
            it->path(), std::filesystem::perms::owner_all,
            std::filesystem::perm_options::add, error);
      }
    }
    std::filesystem::remove_all(root_, error);
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

 private:
  std::string root_;
};

}  // namespace varnok

#endif  // VARNOK_TESTS_SCAN_TEMP_TREE_H_
