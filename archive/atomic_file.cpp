#include "archive/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

#include "archive/archive_writer.h"

namespace varnok {
namespace {

// Tries before giving up on finding an unused temporary name.
constexpr int kNameAttempts = 100;
// A temporary name keeps at most this much of the target's name, so that it
// stays within the file system's limit of 255 bytes.
constexpr size_t kMaxKeptName = 200;

std::string RandomSuffix() {
  static constexpr char kChars[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kChars[pick(device)];
  return suffix;
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

}  // namespace

CAtomicFile::CAtomicFile(std::string target) : target_(std::move(target)) {}

CAtomicFile::~CAtomicFile() { Discard(); }

Status CAtomicFile::Open() {
  const auto cantOpen = [this](const std::string& reason) {
    return Status::Error(pack_messages::kCantOpenFile, target_, reason);
  };
  if (target_.empty() || target_.find('\0') != std::string::npos) {
    return cantOpen("Invalid file name");
  }

  // Replace a linked archive where it lives, and keep the link.
  resolved_ = target_;
  struct stat info;
  if (::lstat(target_.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = ::realpath(target_.c_str(), nullptr)) {
      resolved_ = real;
      std::free(real);
    }
  }

  // Only a regular file may be replaced; its permissions carry over.
  bool replacing = false;
  mode_t keptMode = 0;
  if (::stat(resolved_.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return cantOpen("Not a regular file");
    replacing = true;
    keptMode = info.st_mode & 0777;
  }

  const size_t slash = resolved_.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "" : resolved_.substr(0, slash + 1);
  const std::string name =
      slash == std::string::npos ? resolved_ : resolved_.substr(slash + 1);
  if (name.empty()) return cantOpen("Invalid file name");

  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate =
        folder + "." + name.substr(0, kMaxKeptName) + "." + RandomSuffix();
    // The mode is that of a new file; the umask applies as usual.
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                 0644);
    if (fd_ >= 0) {
      tempPath_ = std::move(candidate);
      break;
    }
    if (errno != EEXIST && errno != EINTR) {
      return cantOpen(std::strerror(errno));
    }
  }
  if (fd_ < 0) return cantOpen(std::strerror(errno));

  if (replacing && ::fchmod(fd_, keptMode) != 0) {
    const int error = errno;
    Discard();
    return cantOpen(std::strerror(error));
  }
  buffer_.reset(new char[kBufferSize]);
  buffered_ = 0;
  return Status::Ok();
}

Status CAtomicFile::WriteError() const {
  const int error = errno;
  return Status::Error(pack_messages::kCantWriteFile, target_,
                       error != 0 ? std::strerror(error) : "");
}

Status CAtomicFile::Write(const char* data, size_t n) {
  if (fd_ < 0) return WriteError();
  if (buffered_ + n > kBufferSize) {
    Status status = Flush();
    if (!status.ok()) return status;
  }
  // What doesn't fit the buffer goes straight through.
  if (n >= kBufferSize) {
    return WriteAll(fd_, data, n) ? Status::Ok() : WriteError();
  }
  std::memcpy(buffer_.get() + buffered_, data, n);
  buffered_ += n;
  return Status::Ok();
}

Status CAtomicFile::Flush() {
  if (fd_ < 0) return WriteError();
  const size_t n = buffered_;
  buffered_ = 0;
  return WriteAll(fd_, buffer_.get(), n) ? Status::Ok() : WriteError();
}

Status CAtomicFile::Seek(uint64_t offset) {
  Status status = Flush();
  if (!status.ok()) return status;
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
    return WriteError();
  }
  return Status::Ok();
}

Status CAtomicFile::Commit() {
  Status status = Flush();
  if (!status.ok()) return status;
  if (::fsync(fd_) != 0) return WriteError();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return WriteError();
  if (::rename(tempPath_.c_str(), resolved_.c_str()) != 0) return WriteError();
  tempPath_.clear();

  // The rename itself is durable only once the folder is synced.
  const size_t slash = resolved_.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : resolved_.substr(0, slash + 1);
  const int folderFd =
      ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return WriteError();
  const bool synced = ::fsync(folderFd) == 0;
  const bool closed = ::close(folderFd) == 0;
  return synced && closed ? Status::Ok() : WriteError();
}

void CAtomicFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

}  // namespace varnok
