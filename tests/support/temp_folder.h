// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes, whatever permissions a test took away.

#ifndef VARNOK_TESTS_SUPPORT_TEMP_FOLDER_H_
#define VARNOK_TESTS_SUPPORT_TEMP_FOLDER_H_

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace varnok::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "varnok-test-XXXXXX")
            .string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
  }
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
      if (it->is_directory(error) && !it->is_symlink(error)) {
        fs::permissions(it->path(), fs::perms::owner_all,
                        fs::perm_options::add, error);
      }
    }
    fs::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace varnok::test

#endif  // VARNOK_TESTS_SUPPORT_TEMP_FOLDER_H_
