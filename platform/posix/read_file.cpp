#include "platform/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "platform/posix/unique_fd.h"

namespace varnok {

struct CReadFile::SystemFile {
  UniqueFd fd;
};

CReadFile::CReadFile() = default;
CReadFile::~CReadFile() = default;

bool CReadFile::Open(const std::string& path, std::string* reason) {
  file_.reset();
  size_ = 0;
  if (path.find('\0') != std::string::npos) {
    *reason = messages::kInvalidFileName;
    return false;
  }
  // O_NONBLOCK keeps a FIFO from blocking the open; a regular file ignores it.
  auto file = std::make_unique<SystemFile>();
  file->fd.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file->fd.get() < 0) {
    *reason = std::strerror(errno);
    return false;
  }
  struct stat info;
  if (::fstat(file->fd.get(), &info) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *reason = messages::kNotARegularFile;
    return false;
  }
  file_ = std::move(file);
  size_ = static_cast<uint64_t>(info.st_size);
  return true;
}

bool CReadFile::Read(char* buffer, size_t n, size_t* got, std::string* reason) {
  ssize_t result;
  do {
    result = ::read(file_->fd.get(), buffer, n);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    *reason = std::strerror(errno);
    return false;
  }
  *got = static_cast<size_t>(result);
  return true;
}

bool CReadFile::ReadAt(uint64_t offset, char* buffer, size_t n, size_t* got,
                       std::string* reason) {
  size_t done = 0;
  while (done < n) {
    const ssize_t result = ::pread(file_->fd.get(), buffer + done, n - done,
                                   static_cast<off_t>(offset + done));
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) {
      *reason = std::strerror(errno);
      return false;
    }
    if (result == 0) break;
    done += static_cast<size_t>(result);
  }
  *got = done;
  return true;
}

bool CReadFile::Close(std::string* reason) {
  if (file_ == nullptr) return true;
  const bool closed = file_->fd.Close();
  if (!closed) *reason = std::strerror(errno);
  file_.reset();
  size_ = 0;
  return closed;
}

}  // namespace varnok
