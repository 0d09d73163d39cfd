#include "platform/win32/system_text.h"

#include <cstdio>

namespace varnok {
namespace {

// Paths at least this long (in UTF-16 units) get the long-path prefix: the
// classic limit is 260 with the terminator, and a folder's path must leave
// room for the "\*" of a listing and for a name of 8.3 characters.
constexpr size_t kLongPath = 240;

}  // namespace

std::optional<std::wstring> ToWide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = static_cast<int>(utf8.size());
  const int needed = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS,
                                           utf8.data(), length, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length,
                        wide.data(), needed);
  return wide;
}

std::wstring ToWideText(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = static_cast<int>(utf8.size());
  const int needed =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
  return wide;
}

std::string ToUtf8(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int length = static_cast<int>(wide.size());
  const int needed = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length,
                                           nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed,
                        nullptr, nullptr);
  return utf8;
}

std::optional<std::wstring> SystemPath(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return std::nullopt;
  std::optional<std::wstring> wide = ToWide(path);
  if (!wide || wide->size() < kLongPath || wide->starts_with(L"\\\\?\\")) {
    return wide;
  }
  // The prefix turns off the system's clean-up of the path ('/' to '\',
  // "." and ".." resolved), so the full path does that first.
  const DWORD needed = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length =
      ::GetFullPathNameW(wide->c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  if (full.starts_with(L"\\\\")) {
    return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
  }
  return L"\\\\?\\" + full;
}

std::string ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length > 0 && buffer != nullptr) {
    text = ToUtf8(std::wstring_view(buffer, length));
  }
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' ||
                           text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  if (text.empty()) {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "Error %lu",
                  static_cast<unsigned long>(code));
    text = fallback;
  }
  return text;
}

}  // namespace varnok
