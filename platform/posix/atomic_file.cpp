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
      !file->file.Create(file->folder.get(), parts.name, 0644, reason)) {
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
  // The bytes reach the disk before the name does: a crash after the
  // rename finds the new archive whole.
  return file_->file.Sync(reason) &&
         file_->file.Publish(SplitPath(resolved_).name, true, reason);
}

bool CAtomicFile::SyncFolder(std::string* reason) {
  // The new name is durable only once the folder is synced.
  if (syncFile(file_->folder.get()) == 0) return true;
  *reason = std::strerror(errno);
  return false;
}

std::vector<std::string> CAtomicFile::RemoveLeftovers(
    const std::string& target) {
  const PathParts parts = SplitPath(ResolveLink(target).value_or(target));
  const UniqueFd folder(
      ::open(parts.folder.empty() ? "." : parts.folder.c_str(),
             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::vector<std::string> removed;
  if (folder.get() < 0) return removed;
  for (const std::string& name :
       varnok::RemoveLeftovers(folder.get(), parts.name)) {
    removed.push_back(parts.folder.empty() ? name
                                           : JoinPath(parts.folder, name));
  }
  return removed;
}

void CAtomicFile::Discard() { file_.reset(); }

}  // namespace varnok
