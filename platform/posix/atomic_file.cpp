#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/posix/temporary_file.h"
#include "platform/posix/unique_fd.h"

namespace varnok {
namespace {

// A temporary name is ".NAME.XXXXXX": at most this much of the target's
// name, so that it stays within the file system's limit of 255 bytes, then
// a dot and the suffix.
constexpr size_t kMaxKeptName = 200;

std::string TemporaryNameStart(const std::string& targetName) {
  return "." + targetName.substr(0, kMaxKeptName) + ".";
}

// Writes all n bytes, riding out interrupted and partial writes.
bool WriteAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t written = ::write(fd, data, n);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    n -= static_cast<size_t>(written);
  }
  return true;
}

std::string ErrorText() { return errno != 0 ? std::strerror(errno) : ""; }

}  // namespace

struct CAtomicFile::SystemFile {
  UniqueFd folder;  // the target's folder, open from start to end
  TemporaryFile file;
};

CAtomicFile::CAtomicFile(std::string target) : target_(std::move(target)) {}

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::CreateTemporary(bool replacing, std::string* reason) {
  struct stat info;
  if (replacing && ::stat(resolved_.c_str(), &info) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  const PathParts parts = SplitPath(resolved_);
  auto file = std::make_unique<SystemFile>();
  file->folder.reset(::open(parts.folder.empty() ? "." : parts.folder.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // The mode is that of a new file; the umask applies as usual.
  if (file->folder.get() < 0 ||
      !file->file.Create(file->folder.get(), TemporaryNameStart(parts.name),
                         0644, reason)) {
    if (file->folder.get() < 0) *reason = std::strerror(errno);
    return false;
  }
  if (replacing && ::fchmod(file->file.fd(), info.st_mode & 0777) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  file_ = std::move(file);
  return true;
}

bool CAtomicFile::WriteThrough(const char* data, size_t n,
                               std::string* reason) {
  errno = 0;
  if (WriteAll(file_->file.fd(), data, n)) return true;
  *reason = ErrorText();
  return false;
}

bool CAtomicFile::SeekTo(uint64_t offset, std::string* reason) {
  if (::lseek(file_->file.fd(), static_cast<off_t>(offset), SEEK_SET) >= 0) {
    return true;
  }
  *reason = std::strerror(errno);
  return false;
}

bool CAtomicFile::Replace(std::string* reason) {
  if (::fsync(file_->file.fd()) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  if (!file_->file.Publish(SplitPath(resolved_).name, true, reason)) {
    return false;
  }
  // The new name is durable only once the folder is synced.
  if (::fsync(file_->folder.get()) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

void CAtomicFile::Discard() { file_.reset(); }

bool CAtomicFile::IsTemporaryFileOf(const std::string& target,
                                    const std::string& path) {
  // Most paths fail on their name alone, before the target is looked at.
  const PathParts temporary = SplitPath(path);
  const std::string& name = temporary.name;
  if (name.size() < 2 + kSuffixLength || name.front() != '.' ||
      name[name.size() - kSuffixLength - 1] != '.' ||
      !std::all_of(name.end() - kSuffixLength, name.end(), [](char c) {
        return c != '\0' && std::strchr(kSuffixChars, c) != nullptr;
      })) {
    return false;
  }
  const PathParts resolved =
      SplitPath(ResolveLink(target).value_or(target));
  if (name.compare(0, name.size() - kSuffixLength,
                   TemporaryNameStart(resolved.name)) != 0) {
    return false;
  }
  const auto folderOf = [](const PathParts& parts) {
    return parts.folder.empty() ? std::string(".") : parts.folder;
  };
  const std::optional<FileIdentity> folder =
      IdentifyFile(folderOf(temporary));
  return folder && folder == IdentifyFile(folderOf(resolved));
}

}  // namespace varnok
