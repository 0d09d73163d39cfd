#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/file_system.h"
#include "platform/posix/unique_fd.h"

namespace varnok {
namespace {

// Tries before giving up on finding an unused temporary name.
constexpr int kNameAttempts = 100;
// A temporary name is ".NAME.XXXXXX": at most this much of the target's
// name, so that it stays within the file system's limit of 255 bytes, then
// a dot and six letters or digits.
constexpr size_t kMaxKeptName = 200;
constexpr size_t kSuffixLength = 6;
constexpr char kSuffixChars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string TemporaryNameStart(const std::string& targetName) {
  return "." + targetName.substr(0, kMaxKeptName) + ".";
}

std::string RandomSuffix() {
  std::random_device device;
  std::uniform_int_distribution<size_t> pick(0, sizeof kSuffixChars - 2);
  std::string suffix(kSuffixLength, ' ');
  for (char& c : suffix) c = kSuffixChars[pick(device)];
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

std::string ErrorText() { return errno != 0 ? std::strerror(errno) : ""; }

}  // namespace

struct CAtomicFile::SystemFile {
  UniqueFd fd;
  std::string path;  // the temporary file's name, while it has one
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
  const std::string start = TemporaryNameStart(parts.name);
  auto file = std::make_unique<SystemFile>();
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate = parts.folder.empty()
                                ? start + RandomSuffix()
                                : JoinPath(parts.folder, start + RandomSuffix());
    // The mode is that of a new file; the umask applies as usual.
    file->fd.reset(::open(candidate.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (file->fd.get() >= 0) {
      file->path = std::move(candidate);
      break;
    }
    if (errno != EEXIST && errno != EINTR) break;
  }
  if (file->fd.get() < 0) {
    *reason = std::strerror(errno);
    return false;
  }
  file_ = std::move(file);
  if (replacing && ::fchmod(file_->fd.get(), info.st_mode & 0777) != 0) {
    *reason = std::strerror(errno);
    Discard();
    return false;
  }
  return true;
}

bool CAtomicFile::WriteThrough(const char* data, size_t n,
                               std::string* reason) {
  errno = 0;
  if (WriteAll(file_->fd.get(), data, n)) return true;
  *reason = ErrorText();
  return false;
}

bool CAtomicFile::SeekTo(uint64_t offset, std::string* reason) {
  if (::lseek(file_->fd.get(), static_cast<off_t>(offset), SEEK_SET) >= 0) {
    return true;
  }
  *reason = std::strerror(errno);
  return false;
}

bool CAtomicFile::Replace(std::string* reason) {
  if (::fsync(file_->fd.get()) != 0 || !file_->fd.Close() ||
      ::rename(file_->path.c_str(), resolved_.c_str()) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  file_->path.clear();

  // The rename itself is durable only once the folder is synced.
  const std::string folder = SplitPath(resolved_).folder;
  UniqueFd folderFd(::open(folder.empty() ? "." : folder.c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.get() < 0 || ::fsync(folderFd.get()) != 0 ||
      !folderFd.Close()) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

void CAtomicFile::Discard() {
  if (file_ == nullptr) return;
  file_->fd.reset();
  if (!file_->path.empty()) ::unlink(file_->path.c_str());
  file_.reset();
}

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
  const PathParts resolved = SplitPath(ResolveLink(target));
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
