#include "platform/file_system.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <random>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "platform/temporary_name.h"
#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"

namespace varnok {
namespace {

// Opens path for questions about the file it leads to, links followed.
UniqueHandle OpenForQuery(const std::wstring& path) {
  return UniqueHandle(::CreateFileW(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x80;
  });
}

// The path a "\\?\" path stands for, as users write it.
std::wstring WithoutLongPrefix(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

std::string CurrentFolder() {
  const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return std::string();
  std::wstring folder(needed, L'\0');
  const DWORD length = ::GetCurrentDirectoryW(needed, folder.data());
  if (length == 0 || length >= needed) return std::string();
  folder.resize(length);
  return ToUtf8(WithoutLongPrefix(folder));
}

// Device names that every folder holds: a file can't be named after one,
// whatever extension or trailing blanks follow ("con.txt", "NUL ").
bool IsReservedDeviceName(std::wstring_view name) {
  static constexpr std::array<std::wstring_view, 4> kDevices = {
      L"CON", L"PRN", L"AUX", L"NUL"};
  std::wstring stem(name.substr(0, name.find(L'.')));
  stem.erase(stem.find_last_not_of(L' ') + 1);
  std::transform(stem.begin(), stem.end(), stem.begin(), [](wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  });
  if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) {
    return true;
  }
  // COM1 to COM9 and LPT1 to LPT9, with superscript digits too.
  if (stem.size() != 4 || (!stem.starts_with(L"COM") && !stem.starts_with(L"LPT"))) {
    return false;
  }
  const wchar_t digit = stem[3];
  return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' ||
         digit == L'\u00B2' || digit == L'\u00B3';
}

// path, a full one ("C:\x", "\\server\share\x"), as Win32 reads it:
// without "." components and repeated or trailing separators, each ".."
// taking out the component before it but never the root. A "\\?\" path is
// taken by the letter, and stays as it is.
std::string WithoutDotComponents(const std::string& path) {
  if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) return path;
  // The root: "C:\", or "\\server\share".
  size_t rootEnd = 3;
  if (IsPathSeparator(path[0])) {
    rootEnd = 2;
    for (int part = 0; part < 2 && rootEnd < path.size(); ++part) {
      while (rootEnd < path.size() && !IsPathSeparator(path[rootEnd])) {
        ++rootEnd;
      }
      if (part == 0 && rootEnd < path.size()) ++rootEnd;
    }
  }
  std::string root = path.substr(0, rootEnd);
  std::replace(root.begin(), root.end(), '/', '\\');
  std::vector<std::string_view> parts;
  for (size_t start = rootEnd; start <= path.size();) {
    size_t end = start;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    const std::string_view part(path.data() + start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result = root;
  for (const std::string_view part : parts) result = JoinPath(result, part);
  return result;
}

}  // namespace

const char kPathSeparator = '\\';

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

PathParts SplitPath(std::string_view path) {
  const size_t separator = path.find_last_of("\\/");
  if (separator == std::string_view::npos) return {"", std::string(path)};
  // A root keeps its separator: "\" and "C:\".
  size_t folderEnd = separator;
  if (separator == 0 || (separator == 2 && path[1] == ':')) ++folderEnd;
  return {std::string(path.substr(0, folderEnd)),
          std::string(path.substr(separator + 1))};
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (path.empty() || !IsPathSeparator(path.back())) path.push_back('\\');
  path.append(name);
  return path;
}

std::string AbsolutePath(const std::string& path) {
  const bool drive =
      path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]);
  const bool unc =
      path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
  if (drive || unc) return WithoutDotComponents(path);
  const bool plain = path.empty() ||
                     (!IsPathSeparator(path[0]) &&
                      !(path.size() >= 2 && path[1] == ':'));
  if (plain) {
    const std::string folder = CurrentFolder();
    return folder.empty() ? folder
                          : WithoutDotComponents(JoinPath(folder, path));
  }
  // "\x" (on the current drive) and "C:x" (in drive C's current folder).
  const std::optional<std::wstring> wide = ToWide(path);
  if (!wide) return std::string();
  const DWORD needed = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::string();
  std::wstring full(needed, L'\0');
  const DWORD length =
      ::GetFullPathNameW(wide->c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::string();
  full.resize(length);
  return WithoutDotComponents(ToUtf8(full));
}

std::optional<std::string> ResolveLink(const std::string& path) {
  const std::optional<std::wstring> wide = SystemPath(path);
  if (!wide) return path;
  const DWORD attributes = ::GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return path;
  }
  // A link whose target can't be opened leads nowhere.
  const UniqueHandle file = OpenForQuery(*wide);
  if (!file.valid()) return std::nullopt;
  std::wstring target(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(
        file.get(), target.data(), static_cast<DWORD>(target.size()),
        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return path;
    if (length < target.size()) {
      target.resize(length);
      return ToUtf8(WithoutLongPrefix(target));
    }
    target.resize(length);
  }
}

bool QueryPath(const std::string& path, PathInfo* info, std::string* reason) {
  *info = PathInfo{};
  const std::optional<std::wstring> wide = SystemPath(path);
  if (!wide) {
    *reason = messages::kInvalidFileName;
    return false;
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) {
    *reason = LastErrorText();
    return false;
  }
  DWORD attributes = data.dwFileAttributes;
  uint64_t size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link: what it leads to counts.
    const UniqueHandle file = OpenForQuery(*wide);
    BY_HANDLE_FILE_INFORMATION target;
    if (!file.valid() || !::GetFileInformationByHandle(file.get(), &target)) {
      *reason = LastErrorText();
      return false;
    }
    attributes = target.dwFileAttributes;
    size = (uint64_t{target.nFileSizeHigh} << 32) | target.nFileSizeLow;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    info->kind = PathKind::kFolder;
  } else if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
    info->kind = PathKind::kOther;
  } else {
    info->kind = PathKind::kFile;
    info->size = size;
  }
  return true;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  const std::optional<std::wstring> wide = SystemPath(path);
  if (!wide) return std::nullopt;
  const UniqueHandle file = OpenForQuery(*wide);
  BY_HANDLE_FILE_INFORMATION data;
  if (!file.valid() || !::GetFileInformationByHandle(file.get(), &data)) {
    return std::nullopt;
  }
  return FileIdentity{data.dwVolumeSerialNumber,
                      (uint64_t{data.nFileIndexHigh} << 32) | data.nFileIndexLow};
}

std::optional<std::string> ToArchiveEncoding(std::string_view text) {
  if (IsAscii(text) || ::GetACP() == CP_UTF8) return std::string(text);
  const std::optional<std::wstring> wide = ToWide(text);
  if (!wide) return std::nullopt;
  const int length = static_cast<int>(wide->size());
  BOOL usedDefault = FALSE;
  const int needed =
      ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide->data(), length,
                            nullptr, 0, nullptr, &usedDefault);
  if (needed <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide->data(), length,
                        bytes.data(), needed, nullptr, &usedDefault);
  // Only a spelling that reads back as the very same name will do.
  if (usedDefault || ToUtf8(*wide) != FromArchiveEncoding(bytes)) {
    return std::nullopt;
  }
  return bytes;
}

std::string FromArchiveEncoding(std::string_view bytes) {
  if (IsAscii(bytes) || ::GetACP() == CP_UTF8) return std::string(bytes);
  const int length = static_cast<int>(bytes.size());
  const int needed =
      ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), needed);
  return ToUtf8(wide);
}

std::string FileNameKey(std::string_view path) {
  if (path.empty()) return std::string();
  std::optional<std::wstring> wide = ToWide(path);
  if (!wide) return std::string(path);
  // The file system's own case table is the invariant one.
  std::wstring upper(wide->size(), L'\0');
  const int length = ::LCMapStringEx(
      LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide->data(),
      static_cast<int>(wide->size()), upper.data(),
      static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (length <= 0) return std::string(path);
  upper.resize(static_cast<size_t>(length));
  return ToUtf8(upper);
}

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  const std::optional<std::wstring> widePattern = ToWide(pattern);
  const std::optional<std::wstring> wideName = ToWide(name);
  return widePattern && wideName &&
         ::PathMatchSpecW(wideName->c_str(), widePattern->c_str());
}

bool IsPortableComponent(std::string_view name, std::string* reason) {
  const std::optional<std::wstring> wide = ToWide(FromArchiveEncoding(name));
  if (!wide) {
    *reason = "not a name in the system's code page";
    return false;
  }
  if (wide->empty()) return true;
  const wchar_t first = (*wide)[0];
  const bool letter = (first >= L'A' && first <= L'Z') ||
                      (first >= L'a' && first <= L'z');
  if (wide->size() == 2 && (*wide)[1] == L':' && letter) {
    *reason = "is a drive letter";
    return false;
  }
  for (const wchar_t c : *wide) {
    if (c < 0x20) {
      *reason = "contains a control character";
      return false;
    }
    if (std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) {
      *reason = "contains the character ";
      *reason += static_cast<char>(c);
      *reason += ", which Windows does not allow in names";
      return false;
    }
  }
  if (wide->back() == L'.' || wide->back() == L' ') {
    *reason = "ends with a dot or a blank, which Windows drops";
    return false;
  }
  if (IsReservedDeviceName(*wide)) {
    *reason = "is the name of a Windows device";
    return false;
  }
  return true;
}

std::optional<std::string> MakePrivateFolder(const std::string& prefix,
                                             std::string* reason) {
  // The user's own temporary folder, which other users can't enter.
  std::array<wchar_t, MAX_PATH + 1> temporary{};
  const DWORD length =
      ::GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data());
  if (length == 0 || length >= temporary.size()) {
    *reason = LastErrorText();
    return std::nullopt;
  }
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (size_t i = 0; i < kSuffixLength; ++i) {
      name += kSuffixChars[random() % (sizeof kSuffixChars - 1)];
    }
    const std::wstring path =
        std::wstring(temporary.data(), length) + ToWideText(name);
    if (::CreateDirectoryW(path.c_str(), nullptr)) return ToUtf8(path);
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  *reason = LastErrorText();
  return std::nullopt;
}

bool RemoveTree(const std::string& path, std::string* reason) {
  const std::optional<std::wstring> wide = ToWide(path);
  if (!wide) {
    *reason = ErrorText(ERROR_INVALID_NAME);
    return false;
  }
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(*wide), error);
  if (error) *reason = error.message();
  return !error;
}

}  // namespace varnok
