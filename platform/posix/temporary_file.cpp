#include "platform/posix/temporary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/posix/cleanup_list.h"

namespace varnok {
namespace {

// Tries before giving up on finding an unused temporary name.
constexpr int kNameAttempts = 100;

int OpenWithTmpfile(int folder, mode_t mode) {
  return ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

// The path that reaches an open descriptor's file, unnamed ones included.
std::string DescriptorPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// Takes the exclusive lock on fd's file, waiting while RemoveLeftovers
// holds it. False only when the file system has no locks.
bool Lock(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// True when name in folder is still the file open as fd. Locks the file
// first: a RemoveLeftovers that met the file before its lock was taken may
// have removed the name.
bool LockUnderName(int folder, const std::string& name, int fd) {
  if (!Lock(fd)) return true;  // no locks here, so no removal either
  struct stat opened, named;
  return ::fstat(fd, &opened) == 0 &&
         ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Removes name from folder when it is a file no writer holds a lock on.
bool RemoveIfUnheld(int folder, const std::string& name) {
  const UniqueFd file(::openat(
      folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info;
  // The lock is held until the name is gone.
  return file.get() >= 0 && ::fstat(file.get(), &info) == 0 &&
         S_ISREG(info.st_mode) && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 &&
         ::unlinkat(folder, name.c_str(), 0) == 0;
}

}  // namespace

int (*openUnnamedFile)(int folder, mode_t mode) = OpenWithTmpfile;
int (*syncFile)(int fd) = ::fsync;

TemporaryFile::~TemporaryFile() {
  fd_.reset();
  RemoveName();
}

bool TemporaryFile::Create(int folder, const std::string& targetName,
                           mode_t mode, std::string* reason) {
  folder_ = folder;
  targetName_ = targetName;
  // Naming an unnamed file goes through /proc; without /proc it could never
  // be named, so it is written under a name from the start. Whether /proc
  // is there is asked once per process.
  static const bool procMounted = ::access("/proc/self/fd", F_OK) == 0;
  if (procMounted) {
    fd_.reset(openUnnamedFile(folder, mode));
    if (fd_.get() >= 0) return true;
  }
  return CreateNamed(mode, reason);
}

bool TemporaryFile::CreateNamed(mode_t mode, std::string* reason) {
  return TakeFreshName(
      [this, mode](const std::string& candidate) {
        fd_.reset(::openat(folder_, candidate.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd_.get() < 0) return false;
        if (LockUnderName(folder_, candidate, fd_.get())) return true;
        fd_.reset();
        errno = EEXIST;  // taken for a leftover and removed: try another
        return false;
      },
      reason);
}

bool TemporaryFile::LinkUnderTemporaryName(std::string* reason) {
  // Locked before it has the name, which tells it from a leftover.
  Lock(fd_.get());
  const std::string source = DescriptorPath(fd_.get());
  return TakeFreshName(
      [this, &source](const std::string& candidate) {
        return ::linkat(AT_FDCWD, source.c_str(), folder_, candidate.c_str(),
                        AT_SYMLINK_FOLLOW) == 0;
      },
      reason);
}

bool TemporaryFile::TakeFreshName(
    const std::function<bool(const std::string&)>& make, std::string* reason) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate = NewTemporaryName(targetName_);
    // Listed before it exists, so that no moment passes with a name that a
    // signal would leave behind.
    ticket_ = RememberForCleanup(folder_, candidate);
    if (make(candidate)) {
      name_ = std::move(candidate);
      return true;
    }
    const int error = errno;
    ForgetForCleanup(std::exchange(ticket_, -1));
    if (error != EEXIST && error != EINTR) {
      *reason = std::strerror(error);
      return false;
    }
  }
  *reason = std::strerror(EEXIST);
  return false;
}

void TemporaryFile::StartWriteBack() {
  ::sync_file_range(fd_.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool TemporaryFile::Sync(std::string* reason) {
  if (syncFile(fd_.get()) == 0) return true;
  *reason = std::strerror(errno);
  return false;
}

bool TemporaryFile::Publish(const std::string& name, bool replace,
                            std::string* reason) {
  if (!replace) return LinkUnlessTaken(name, reason);
  if (!named() && !LinkUnderTemporaryName(reason)) return false;
  // The lock lasts while any descriptor of the file is open: a second one
  // keeps it, and so keeps RemoveLeftovers away, until the temporary name
  // is gone.
  const UniqueFd holder(::dup(fd_.get()));
  if (!fd_.Close()) {
    *reason = std::strerror(errno);
    return false;
  }
  // A rename replaces what has the name.
  if (::renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  name_.clear();
  ForgetForCleanup(std::exchange(ticket_, -1));
  return true;
}

bool TemporaryFile::LinkUnlessTaken(const std::string& name,
                                    std::string* reason) {
  // A link fails when the name is taken, leaving it as it was, and this
  // file open as it was, for another Publish.
  const int linked =
      named() ? ::linkat(folder_, name_.c_str(), folder_, name.c_str(), 0)
              : ::linkat(AT_FDCWD, DescriptorPath(fd_.get()).c_str(), folder_,
                         name.c_str(), AT_SYMLINK_FOLLOW);
  if (linked != 0 || !fd_.Close()) {
    const int error = errno;
    // A close that failed lost bytes: the name goes again.
    if (linked == 0) ::unlinkat(folder_, name.c_str(), 0);
    *reason = std::strerror(error);
    errno = error;
    return false;
  }
  RemoveName();
  return true;
}

void TemporaryFile::RemoveName() {
  if (named()) ::unlinkat(folder_, name_.c_str(), 0);
  name_.clear();
  ForgetForCleanup(std::exchange(ticket_, -1));
}

std::vector<std::string> RemoveLeftovers(int folder,
                                         const std::string& targetName) {
  // The names first, then the removals, which a listing in progress may or
  // may not show.
  std::vector<std::string> candidates;
  UniqueFd listed(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  DIR* listing = listed.get() >= 0 ? ::fdopendir(listed.get()) : nullptr;
  if (listing != nullptr) listed.release();  // closedir closes it
  while (listing != nullptr) {
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) break;
    if (IsTemporaryNameOf(entry->d_name, targetName)) {
      candidates.emplace_back(entry->d_name);
    }
  }
  if (listing != nullptr) ::closedir(listing);
  std::vector<std::string> removed;
  for (std::string& name : candidates) {
    if (RemoveIfUnheld(folder, name)) removed.push_back(std::move(name));
  }
  return removed;
}

}  // namespace varnok
