#include "platform/file_system.h"

#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/messages.h"

namespace varnok {

const char kPathSeparator = '/';

bool IsPathSeparator(char c) { return c == '/'; }

bool IsDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

PathParts SplitPath(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {"", std::string(path)};
  const size_t folderEnd = slash == 0 ? 1 : slash;  // the root keeps its '/'
  return {std::string(path.substr(0, folderEnd)),
          std::string(path.substr(slash + 1))};
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return JoinPath(buffer.data(), path);
}

std::optional<std::string> ResolveLink(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return std::nullopt;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

bool QueryPath(const std::string& path, PathInfo* info, std::string* reason) {
  *info = PathInfo{};
  struct stat st;
  if (path.find('\0') != std::string::npos) {
    *reason = messages::kInvalidFileName;
    return false;
  }
  if (::stat(path.c_str(), &st) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  info->kind = S_ISREG(st.st_mode)   ? PathKind::kFile
               : S_ISDIR(st.st_mode) ? PathKind::kFolder
                                     : PathKind::kOther;
  if (info->kind == PathKind::kFile) {
    info->size = static_cast<uint64_t>(st.st_size);
  }
  return true;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  struct stat st;
  if (path.find('\0') != std::string::npos ||
      ::stat(path.c_str(), &st) != 0) {
    return std::nullopt;
  }
  return FileIdentity{static_cast<uint64_t>(st.st_dev),
                      static_cast<uint64_t>(st.st_ino)};
}

std::optional<std::string> ToArchiveEncoding(std::string_view text) {
  return std::string(text);
}

std::string FromArchiveEncoding(std::string_view bytes) {
  return std::string(bytes);
}

std::string FileNameKey(std::string_view path) { return std::string(path); }

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  return fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
}

bool IsPortableComponent(std::string_view, std::string*) { return true; }

}  // namespace varnok
