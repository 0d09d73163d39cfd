// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes, whatever permissions a test took away.

#ifndef VARNOK_TESTS_SUPPORT_TEMP_FOLDER_H_
#define VARNOK_TESTS_SUPPORT_TEMP_FOLDER_H_

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace varnok::test {

class TempFolder {
 public:
  TempFolder() {
    namespace fs = std::filesystem;
    std::random_device random;
    const fs::path parent = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const fs::path candidate =
          parent / ("varnok-test-" + std::to_string(random()));
      std::error_code error;
      if (fs::create_directory(candidate, error)) {
        path_ = candidate;
        return;
      }
    }
    throw std::runtime_error("can't create a temporary folder");
  }
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
      if (!it->is_symlink(error)) {
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
