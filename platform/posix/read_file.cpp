#include "platform/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "platform/posix/unique_fd.h"

namespace varnok {

struct CReadFile::SystemFile {
  UniqueFd fd;
};

namespace {

// The folder for temporary files: $TMPDIR, or /tmp.
std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// A file for reading and writing in folder that no name leads to: a
// descriptor, or -1 with errno set.
int OpenUnnamedFile(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  // Where the file system has no unnamed files, a named one loses its name
  // at once.
  std::string path = folder + "/.kzf-standard-input.XXXXXX";
  const int named = ::mkostemp(path.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(path.c_str());
  return named;
}

// Copies what from holds up to its end to to, in folder. False when a read
// or a write fails, with the system's explanation in *reason, after folder
// for a write.
bool CopyToEnd(int from, int to, const std::string& folder,
               std::string* reason) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) *reason = std::strerror(errno);
    if (got <= 0) return got == 0;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put =
          ::write(to, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno != EINTR) {
        *reason = folder + ": " + std::strerror(errno);
        return false;
      }
      if (put > 0) done += put;
    }
  }
}

// What standard input holds from here to its end, copied into an unnamed
// file in the folder for temporary files and read from its start: a
// descriptor, or -1 with the system's explanation in *reason (after the
// folder's path where the copy failed).
int CopyOfStandardInput(std::string* reason) {
  const std::string folder = TemporaryFolder();
  UniqueFd copy(OpenUnnamedFile(folder));
  if (copy.get() < 0) {
    *reason = folder + ": " + std::strerror(errno);
    return -1;
  }
  if (!CopyToEnd(STDIN_FILENO, copy.get(), folder, reason)) return -1;
  if (::lseek(copy.get(), 0, SEEK_SET) != 0) {
    *reason = std::strerror(errno);
    return -1;
  }
  return copy.release();
}

}  // namespace

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

bool CReadFile::OpenStandardInput(std::string* reason) {
  file_.reset();
  size_ = 0;
  if (::isatty(STDIN_FILENO) == 1) {
    *reason = messages::kIsATerminal;
    return false;
  }
  struct stat info;
  const bool wholeFile = ::fstat(STDIN_FILENO, &info) == 0 &&
                         S_ISREG(info.st_mode) &&
                         ::lseek(STDIN_FILENO, 0, SEEK_CUR) == 0;
  auto file = std::make_unique<SystemFile>();
  if (wholeFile) {
    file->fd.reset(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0));
  } else {
    file->fd.reset(CopyOfStandardInput(reason));
    if (file->fd.get() < 0) return false;
  }
  if (file->fd.get() < 0 || ::fstat(file->fd.get(), &info) != 0) {
    *reason = std::strerror(errno);
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

void CReadFile::WillRead(uint64_t offset, uint64_t length) const {
  ::posix_fadvise(file_->fd.get(), static_cast<off_t>(offset),
                  static_cast<off_t>(length), POSIX_FADV_WILLNEED);
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
