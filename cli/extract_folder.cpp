#include "cli/extract_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "archive/unique_fd.h"

namespace varnok {

namespace {

// The components of a name, without empty and "." ones ("a//./b" is a, b).
std::vector<std::string_view> Components(std::string_view name) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    std::string_view part = name.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

Status Unsafe(std::string_view name, const std::string& reason) {
  return Status::Error(extract_messages::kUnsafeName,
                       EscapeName(name) + ": " + reason);
}

// Writes into an open file descriptor.
class FileSink : public EntrySink {
 public:
  FileSink(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

  Status Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        return Status::Error(extract_messages::kCantWriteFile,
                             path_ + ": " + std::strerror(errno));
      }
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return Status::Ok();
  }

 private:
  int fd_;
  std::string path_;
};

bool IsSymbolicLink(int folder, const std::string& name) {
  struct stat info;
  return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISLNK(info.st_mode);
}

}  // namespace

Status CheckExtractName(std::string_view name) {
  if (name.empty()) return Unsafe(name, "empty name");
  if (name.find('\0') != std::string_view::npos) {
    return Unsafe(name, "contains a zero byte");
  }
  if (name.front() == '/') return Unsafe(name, "absolute path");
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") {
      return Unsafe(name, "contains a \"..\" component");
    }
    start = end + 1;
  }
  const size_t lastSlash = name.rfind('/');
  const std::string_view last =
      lastSlash == std::string_view::npos ? name : name.substr(lastSlash + 1);
  if (last.empty() || last == ".") return Unsafe(name, "names no file");
  return Status::Ok();
}

CExtractFolder::~CExtractFolder() {
  if (fd_ >= 0) ::close(fd_);
}

Status CExtractFolder::Open(const std::string& folder) {
  folder_ = folder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    return Status::Error(extract_messages::kCantCreateFolder,
                         folder + ": " + error.message());
  }
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    return Status::Error(extract_messages::kCantCreateFolder,
                         folder + ": " + std::strerror(errno));
  }
  return Status::Ok();
}

std::string CExtractFolder::DisplayPath(std::string_view name) const {
  std::string path = folder_ == "." ? std::string() : folder_;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + EscapeName(name);
}

Status CExtractFolder::Extract(std::string_view name,
                               const std::function<Status(EntrySink&)>& produce) {
  using namespace extract_messages;
  Status status = CheckExtractName(name);
  if (!status.ok()) return status;
  const std::vector<std::string_view> parts = Components(name);

  // Open each folder on the way, creating it when missing, refusing links.
  UniqueFd folder(::dup(fd_));
  if (folder.get() < 0) {
    return Status::Error(kCantCreateFolder, folder_ + ": " + std::strerror(errno));
  }
  std::string_view walked;  // the name's part up to the folder now open
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const std::string part(parts[i]);
    walked = name.substr(0, static_cast<size_t>(parts[i].data() - name.data()) +
                                parts[i].size());
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int next = ::openat(folder.get(), part.c_str(), flags);
    if (next < 0 && errno == ENOENT) {
      if (::mkdirat(folder.get(), part.c_str(), 0777) != 0 && errno != EEXIST) {
        return Status::Error(kCantCreateFolder, DisplayPath(walked) + ": " +
                                                    std::strerror(errno));
      }
      next = ::openat(folder.get(), part.c_str(), flags);
    }
    if (next < 0) {
      const int openError = errno;
      if (IsSymbolicLink(folder.get(), part)) {
        return Unsafe(name, "passes through the symbolic link " +
                                DisplayPath(walked));
      }
      return Status::Error(kCantCreateFolder, DisplayPath(walked) + ": " +
                                                  std::strerror(openError));
    }
    folder.reset(next);
  }

  // Write a temporary file beside the target, then rename it into place.
  const std::string fileName(parts.back());
  const std::string path = DisplayPath(name);
  std::random_device seed;
  std::mt19937 random(seed());
  std::string temporary;
  UniqueFd file(-1);
  for (int attempt = 0; attempt < 100 && file.get() < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x",
                  static_cast<unsigned>(random()));
    temporary = ".kzf-extract-" + std::string(suffix);
    file.reset(::openat(folder.get(), temporary.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0666));
    if (file.get() < 0 && errno != EEXIST) break;
  }
  if (file.get() < 0) {
    return Status::Error(kCantWriteFile, path + ": " + std::strerror(errno));
  }

  FileSink sink(file.get(), path);
  status = produce(sink);
  if (status.ok() && !file.Close()) {
    status = Status::Error(kCantWriteFile, path + ": " + std::strerror(errno));
  }
  if (status.ok() && ::renameat(folder.get(), temporary.c_str(), folder.get(),
                                fileName.c_str()) != 0) {
    status = Status::Error(kCantWriteFile, path + ": " + std::strerror(errno));
  }
  if (!status.ok()) ::unlinkat(folder.get(), temporary.c_str(), 0);
  return status;
}

}  // namespace varnok
