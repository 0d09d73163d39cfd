#include "cli/archive_self.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace varnok {

namespace {

// The engine keeps at most this much of the archive's name in the name of
// its temporary file, followed by a dot and six letters or digits.
constexpr size_t kMaxKeptName = 200;
constexpr size_t kSuffixLength = 6;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CArchiveSelf::FileId CArchiveSelf::IdOf(const std::string& path) {
  FileId id;
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    id.known = true;
    id.device = info.st_dev;
    id.inode = info.st_ino;
  }
  return id;
}

CArchiveSelf::CArchiveSelf(const std::string& archive) {
  archive_ = IdOf(archive);
  // The engine writes beside the file that a linked archive points to.
  std::string resolved = archive;
  struct stat info;
  if (::lstat(archive.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = ::realpath(archive.c_str(), nullptr)) {
      resolved = real;
      std::free(real);
    }
  }
  folder_ = IdOf(FolderOf(resolved));
  tempStart_ = "." + NameOf(resolved).substr(0, kMaxKeptName) + ".";
}

bool CArchiveSelf::IsTemporaryName(const std::string& name) const {
  if (name.size() != tempStart_.size() + kSuffixLength ||
      name.compare(0, tempStart_.size(), tempStart_) != 0) {
    return false;
  }
  return std::all_of(name.begin() + static_cast<long>(tempStart_.size()),
                     name.end(), [](char c) {
                       return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                              (c >= '0' && c <= '9');
                     });
}

bool CArchiveSelf::Matches(const std::string& path) const {
  if (archive_.known && IdOf(path) == archive_) return true;
  return IsTemporaryName(NameOf(path)) && IdOf(FolderOf(path)) == folder_;
}

void CArchiveSelf::RemoveFrom(std::vector<std::string>& paths) const {
  paths.erase(std::remove_if(paths.begin(), paths.end(),
                             [this](const std::string& path) {
                               return Matches(path);
                             }),
              paths.end());
}

}  // namespace varnok
