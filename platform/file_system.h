// Paths and files as this system names them.
//
// A path is a byte string. On POSIX systems it is the file system's own
// bytes; on Windows it is UTF-8, turned into UTF-16 for every system call so
// that any file can be reached whatever its name. Functions that can fail
// return false and put the system's explanation in *reason.

#ifndef VARNOK_PLATFORM_FILE_SYSTEM_H_
#define VARNOK_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnok {

// The separator this system joins paths with: '/' on POSIX, '\\' on Windows.
extern const char kPathSeparator;

// True for a byte that ends a folder's name in a path: '/', and on Windows
// '\\' as well.
bool IsPathSeparator(char c);

// True for the names "." and "..", which a folder lists but which name no
// entry of its own.
bool IsDotOrDotDot(std::string_view name);

// A path cut at its last separator.
struct PathParts {
  std::string folder;  // "" when the path has no separator; keeps a root's
                       // separator ("/" or "C:\")
  std::string name;    // what follows the last separator
};
PathParts SplitPath(std::string_view path);

// folder and name joined by exactly one separator; a folder that already
// ends in one (a root such as "/" or "C:\") gets none added.
std::string JoinPath(std::string_view folder, std::string_view name);

// path made absolute against the current folder, naming what the system
// takes it to name, without its "." components and repeated or trailing
// separators. Each ".." is read as the system reads it: on POSIX it leads
// above the folder reached so far, through any link on the way (the part of
// the path up to the last ".." becomes a real path); on Windows it takes out
// the component before it, as Win32 does. No other link is resolved. A path
// that leads nowhere may keep its dot components. Empty when the current
// folder can't be found.
std::string AbsolutePath(const std::string& path);

// Where path leads when it is a symbolic link, fully resolved; otherwise
// path itself. Nothing when path is a link that leads nowhere: to a missing
// file, or round a loop of links.
std::optional<std::string> ResolveLink(const std::string& path);

// What a path names. Links are followed.
enum class PathKind : uint8_t { kMissing, kFile, kFolder, kOther };
struct PathInfo {
  PathKind kind = PathKind::kMissing;
  uint64_t size = 0;  // bytes, for a file
};
// Fills *info. False when the system can't say (no such file, no
// permission, a name too long), with its reason.
bool QueryPath(const std::string& path, PathInfo* info, std::string* reason);

// What tells one file from every other: two paths with equal identities
// name the same file, whatever their spelling and links on the way.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};
// Nothing when path names no file that can be reached.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// The bytes an archive stores for text taken from a path (a file's path,
// a base path): on POSIX the path's own bytes; on Windows its spelling in
// the system's ANSI code page, or nothing when that code page can't spell
// it. ASCII text is the same on every system.
std::optional<std::string> ToArchiveEncoding(std::string_view text);
// The path spelling of bytes an archive stores; the inverse of the above.
std::string FromArchiveEncoding(std::string_view bytes);

// The key under which names lead to one file on this system: two paths
// whose keys are equal name one file (on POSIX the path itself; on Windows,
// whose names ignore case, the path in upper case).
std::string FileNameKey(std::string_view path);

// True when name matches the wildcard pattern as this system's folder
// listing matches it ('*' any run of characters, '?' any one).
bool MatchesWildcard(const std::string& pattern, const std::string& name);

// True when name, one component of a stored name as the archive spells it,
// may be one component of a file's path on this system. Otherwise false,
// with why not in *reason (on Windows: a drive letter, a ':' or another
// character Windows does not allow, a trailing dot or blank, or a reserved
// device name such as CON or NUL).
bool IsPortableComponent(std::string_view name, std::string* reason);

// Creates a folder, in the system's temporary folder, that no other user
// may enter, named prefix and a fresh random suffix. Its path, or nothing
// with the system's reason.
std::optional<std::string> MakePrivateFolder(const std::string& prefix,
                                             std::string* reason);

// Removes path and everything beneath it; a link is removed, never followed.
// False, with the system's reason, when anything is left.
bool RemoveTree(const std::string& path, std::string* reason);

}  // namespace varnok

#endif  // VARNOK_PLATFORM_FILE_SYSTEM_H_
