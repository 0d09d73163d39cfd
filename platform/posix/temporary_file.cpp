#include "platform/posix/temporary_file.h"

#include <fcntl.h>
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

}  // namespace

int (*openUnnamedFile)(int folder, mode_t mode) = OpenWithTmpfile;

TemporaryFile::~TemporaryFile() {
  fd_.reset();
  RemoveName();
}

bool TemporaryFile::Create(int folder, const std::string& prefix, mode_t mode,
                           std::string* reason) {
  folder_ = folder;
  prefix_ = prefix;
  fd_.reset(openUnnamedFile(folder, mode));
  // Naming it later goes through /proc; without /proc it could never be
  // named, so it is written under a name from the start.
  if (fd_.get() >= 0 && ::access(DescriptorPath(fd_.get()).c_str(), F_OK) == 0) {
    return true;
  }
  fd_.reset();
  return CreateNamed(mode, reason);
}

bool TemporaryFile::CreateNamed(mode_t mode, std::string* reason) {
  return TakeFreshName(
      [this, mode](const std::string& candidate) {
        fd_.reset(::openat(folder_, candidate.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        return fd_.get() >= 0;
      },
      reason);
}

bool TemporaryFile::LinkUnderTemporaryName(std::string* reason) {
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
    std::string candidate = prefix_ + RandomSuffix();
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

bool TemporaryFile::Publish(const std::string& name, bool replace,
                            std::string* reason) {
  if (!named() && !LinkUnderTemporaryName(reason)) return false;
  if (!fd_.Close()) {
    *reason = std::strerror(errno);
    return false;
  }
  // A rename replaces what has the name; a link fails when the name is
  // taken, leaving it as it was.
  if (replace) {
    if (::renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0) {
      *reason = std::strerror(errno);
      return false;
    }
    name_.clear();
    ForgetForCleanup(std::exchange(ticket_, -1));
    return true;
  }
  if (::linkat(folder_, name_.c_str(), folder_, name.c_str(), 0) != 0) {
    const int error = errno;
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

}  // namespace varnok
