#include "platform/extract_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/escape.h"
#include "platform/file_system.h"
#include "platform/posix/temporary_file.h"
#include "platform/posix/unique_fd.h"

namespace varnok {

namespace {

// Files a batch holds at most; each keeps two descriptors open.
constexpr size_t kMaxBatch = 32;

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

// Half the descriptors the process may open, two for each waiting file.
size_t BatchRoom() {
  rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 ||
      limit.rlim_cur == RLIM_INFINITY) {
    return kMaxBatch;
  }
  return std::clamp<size_t>(limit.rlim_cur / 4, 1, kMaxBatch);
}

}  // namespace

struct CExtractFolder::SystemFolder {
  UniqueFd fd;
  size_t batchLimit = 1;
};

struct CExtractFolder::WaitingFile {
  UniqueFd folder;   // the folder it goes in, open until it has its name
  std::string name;  // its name there
  std::string path;  // as messages show it
  TemporaryFile file;
};

void CExtractFolder::Discard::operator()(WaitingFile* file) const {
  delete file;
}

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
  root->batchLimit = BatchRoom();
  root_ = std::move(root);
  return Status::Ok();
}

std::string CExtractFolder::DisplayPath(std::string_view name) const {
  std::string path = folder_ == "." ? std::string() : folder_;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + EscapeName(name);
}

Status CExtractFolder::OpenFolders(std::string_view name,
                                   WaitingPtr* file) const {
  const std::vector<std::string_view> parts = NameComponents(name);
  // Each folder is opened relative to the one before, never through a link.
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
  file->reset(new WaitingFile);
  (*file)->folder = std::move(folder);
  (*file)->name = std::string(parts.back());
  (*file)->path = DisplayPath(name);
  return Status::Ok();
}

bool CExtractFolder::NameTaken(const WaitingFile& file) const {
  struct stat info;
  return ::fstatat(file.folder.get(), file.name.c_str(), &info,
                   AT_SYMLINK_NOFOLLOW) == 0;
}

Status CExtractFolder::WriteTemporary(
    WaitingFile& file, const std::function<Status(ByteSink&)>& produce) {
  std::string reason;
  if (!file.file.Create(file.folder.get(), file.name, 0666, &reason)) {
    return Status::IoError(messages::kCantWriteFile, file.path, reason);
  }
  FileSink sink(file.file.fd(), file.path);
  return produce(sink);
}

void CExtractFolder::StartSync(WaitingFile& file) { file.file.StartWriteBack(); }

Status CExtractFolder::Sync(WaitingFile& file) {
  std::string reason;
  return file.file.Sync(&reason)
             ? Status::Ok()
             : Status::IoError(messages::kCantWriteFile, file.path, reason);
}

Status CExtractFolder::Publish(WaitingFile& file, Existing existing) {
  const bool keep = existing == Existing::kKeep;
  std::string reason;
  if (file.file.Publish(file.name, !keep, &reason)) return Status::Ok();
  // Kept names are never replaced: the link fails on a name taken
  // meanwhile.
  return keep && errno == EEXIST
             ? Status::BadRequest(messages::kFileExists, file.path)
             : Status::IoError(messages::kCantWriteFile, file.path, reason);
}

size_t CExtractFolder::BatchLimit() const { return root_->batchLimit; }

}  // namespace varnok
