#include "platform/extract_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "base/escape.h"
#include "platform/file_system.h"
#include "platform/posix/temporary_file.h"
#include "platform/posix/unique_fd.h"

namespace varnok {

namespace {

// Where the file system has no unnamed files, a file being extracted is
// written under this name and a suffix.
constexpr char kTemporaryPrefix[] = ".kzf-extract-";

std::string ErrorText() { return std::strerror(errno); }

// Writes into an open file descriptor.
class FileSink : public ByteSink {
 public:
  FileSink(int fd, const std::string& path) : fd_(fd), path_(path) {}

  Status Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        return Status::IoError(messages::kCantWriteFile, path_, ErrorText());
      }
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return Status::Ok();
  }

 private:
  const int fd_;
  const std::string& path_;
};

bool IsSymbolicLink(int folder, const std::string& name) {
  struct stat info;
  return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISLNK(info.st_mode);
}

}  // namespace

struct CExtractFolder::SystemFolder {
  UniqueFd fd;
};

CExtractFolder::CExtractFolder() = default;
CExtractFolder::~CExtractFolder() = default;

Status CExtractFolder::Open(const std::string& folder) {
  folder_ = folder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    return Status::IoError(messages::kCantCreateFolder, folder,
                           error.message());
  }
  auto root = std::make_unique<SystemFolder>();
  root->fd.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (root->fd.get() < 0) {
    return Status::IoError(messages::kCantCreateFolder, folder, ErrorText());
  }
  root_ = std::move(root);
  return Status::Ok();
}

std::string CExtractFolder::DisplayPath(std::string_view name) const {
  std::string path = folder_ == "." ? std::string() : folder_;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + EscapeName(name);
}

Status CExtractFolder::Extract(std::string_view name,
                               const std::function<Status(ByteSink&)>& produce,
                               Existing existing) {
  Status status = CheckExtractName(name);
  if (!status.ok()) return status;
  const std::vector<std::string_view> parts = NameComponents(name);

  // Open each folder on the way, creating it when missing, refusing links.
  UniqueFd folder(::dup(root_->fd.get()));
  if (folder.get() < 0) {
    return Status::IoError(messages::kCantCreateFolder, folder_, ErrorText());
  }
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const std::string part(parts[i]);
    // The name's part up to the folder now opened.
    const std::string walked = DisplayPath(name.substr(
        0, static_cast<size_t>(parts[i].data() - name.data()) + part.size()));
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd next(::openat(folder.get(), part.c_str(), flags));
    if (next.get() < 0 && errno == ENOENT) {
      if (::mkdirat(folder.get(), part.c_str(), 0777) != 0 && errno != EEXIST) {
        return Status::IoError(messages::kCantCreateFolder, walked,
                               ErrorText());
      }
      next.reset(::openat(folder.get(), part.c_str(), flags));
    }
    if (next.get() < 0) {
      const std::string reason = ErrorText();
      if (IsSymbolicLink(folder.get(), part)) {
        return Status::BadRequest(messages::kUnsafeName, EscapeName(name),
                                  "passes through the symbolic link " + walked);
      }
      return Status::IoError(messages::kCantCreateFolder, walked, reason);
    }
    folder = std::move(next);
  }

  // Write a temporary file beside the target, then give it the target's
  // name; a file that fails is gone when `file` goes.
  const std::string path = DisplayPath(name);
  const std::string last(parts.back());
  const bool keep = existing == Existing::kKeep;
  const Status exists = Status::BadRequest(messages::kFileExists, path);
  struct stat info;
  if (keep &&
      ::fstatat(folder.get(), last.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    return exists;
  }
  TemporaryFile file;
  std::string reason;
  if (!file.Create(folder.get(), kTemporaryPrefix, 0666, &reason)) {
    return Status::IoError(messages::kCantWriteFile, path, reason);
  }
  FileSink sink(file.fd(), path);
  status = produce(sink);
  if (status.ok() && !file.Publish(last, !keep, &reason)) {
    status = keep && errno == EEXIST
                 ? exists
                 : Status::IoError(messages::kCantWriteFile, path, reason);
  }
  return status;
}

}  // namespace varnok
