#include "platform/extract_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

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

// Opens the folder part within parent, creating it when missing, never
// through a link; shown: the path messages name it by.
Status OpenNextFolder(int parent, std::string_view name,
                      const std::string& part, const std::string& shown,
                      UniqueFd* next) {
  const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  next->reset(::openat(parent, part.c_str(), flags));
  if (next->get() < 0 && errno == ENOENT) {
    if (::mkdirat(parent, part.c_str(), 0777) != 0 && errno != EEXIST) {
      return Status::IoError(messages::kCantCreateFolder, shown, ErrorText());
    }
    next->reset(::openat(parent, part.c_str(), flags));
  }
  if (next->get() >= 0) return Status::Ok();
  const std::string reason = ErrorText();
  if (IsSymbolicLink(parent, part)) {
    return Status::BadRequest(messages::kUnsafeName, EscapeName(name),
                              "passes through the symbolic link " + shown);
  }
  return Status::IoError(messages::kCantCreateFolder, shown, reason);
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

// An open folder, shared by the files that go in it while they wait.
using SharedFd = std::shared_ptr<const UniqueFd>;

struct CExtractFolder::SystemFolder {
  SharedFd fd;
  size_t batchLimit = 1;
  // The folders on the way to the last file, each opened within the one
  // before, kept open for the next file: their components and descriptors.
  std::vector<std::string> walkedNames;
  std::vector<SharedFd> walked;
};

struct CExtractFolder::WaitingFile {
  SharedFd folder;   // the folder it goes in, open until it has its name
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
  auto fd = std::make_shared<UniqueFd>(
      ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  root->fd = fd;
  if (fd->get() < 0) {
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

Status CExtractFolder::OpenFolders(std::string_view name, WaitingPtr* file) {
  const std::vector<std::string_view> parts = NameComponents(name);
  // The folders the last file's name shares with this one's stay open; a
  // folder renamed away since keeps its descriptor, which is the folder
  // checked then, so no write can land where none was checked.
  std::vector<std::string>& names = root_->walkedNames;
  std::vector<SharedFd>& walked = root_->walked;
  size_t kept = 0;
  while (kept < names.size() && kept + 1 < parts.size() &&
         names[kept] == parts[kept]) {
    ++kept;
  }
  names.resize(kept);
  walked.resize(kept);
  for (size_t i = kept; i + 1 < parts.size(); ++i) {
    const int parent = i == 0 ? root_->fd->get() : walked.back()->get();
    // The name's part up to the folder opened.
    const std::string shown = DisplayPath(name.substr(
        0, static_cast<size_t>(parts[i].data() - name.data()) +
               parts[i].size()));
    UniqueFd next;
    const Status status =
        OpenNextFolder(parent, name, std::string(parts[i]), shown, &next);
    if (!status.ok()) return status;
    names.emplace_back(parts[i]);
    walked.push_back(std::make_shared<const UniqueFd>(std::move(next)));
  }
  file->reset(new WaitingFile);
  (*file)->folder = walked.empty() ? root_->fd : walked.back();
  (*file)->name = std::string(parts.back());
  (*file)->path = DisplayPath(name);
  return Status::Ok();
}

bool CExtractFolder::NameTaken(const WaitingFile& file) const {
  struct stat info;
  return ::fstatat(file.folder->get(), file.name.c_str(), &info,
                   AT_SYMLINK_NOFOLLOW) == 0;
}

Status CExtractFolder::WriteTemporary(
    WaitingFile& file, const std::function<Status(ByteSink&)>& produce) {
  std::string reason;
  if (!file.file.Create(file.folder->get(), file.name, 0666, &reason)) {
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

Status CExtractFolder::PlaceUnlessTaken(WaitingFile& file, bool* taken) {
  std::string reason;
  *taken = false;
  if (file.file.Publish(file.name, false, &reason)) return Status::Ok();
  if (errno == EEXIST) {
    *taken = true;
    return Status::Ok();
  }
  return Status::IoError(messages::kCantWriteFile, file.path, reason);
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
