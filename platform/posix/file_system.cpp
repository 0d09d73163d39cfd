#include "platform/file_system.h"

#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
  std::string full = path;
  if (full.empty() || full.front() != '/') {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return std::string();
      buffer.resize(buffer.size() * 2);
    }
    full = JoinPath(buffer.data(), path);
  }
  std::vector<std::string_view> parts;
  size_t lastUp = 0;  // parts before it end with the last ".."
  for (size_t start = 0; start <= full.size();) {
    size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    const std::string_view part(full.data() + start, end - start);
    if (!part.empty() && part != ".") parts.push_back(part);
    if (part == "..") lastUp = parts.size();
    start = end + 1;
  }
  // Up to its last "..", the path is what the system makes of it: each ".."
  // leads above the folder reached, through any link on the way.
  std::string result = "/";
  if (lastUp > 0) {
    std::string upTo;
    for (size_t i = 0; i < lastUp; ++i) upTo += "/" + std::string(parts[i]);
    char* real = ::realpath(upTo.c_str(), nullptr);
    // A path that leads nowhere stays as it is, for the system to refuse.
    if (real == nullptr) return full;
    result = real;
    std::free(real);
  }
  for (size_t i = lastUp; i < parts.size(); ++i) {
    result = JoinPath(result, parts[i]);
  }
  return result;
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

std::optional<std::string> MakePrivateFolder(const std::string& prefix,
                                             std::string* reason) {
  const char* temporary = std::getenv("TMPDIR");
  std::string pattern =
      JoinPath(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp",
               prefix + "XXXXXX");
  // mkdtemp makes the folder with mode 0700.
  if (mkdtemp(pattern.data()) == nullptr) {
    *reason = std::strerror(errno);
    return std::nullopt;
  }
  return pattern;
}

bool RemoveTree(const std::string& path, std::string* reason) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
  if (error) *reason = error.message();
  return !error;
}

}  // namespace varnok
