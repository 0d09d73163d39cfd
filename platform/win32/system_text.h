// Text between the program and Windows: paths are UTF-8 inside the program
// and UTF-16 in every system call; errors come back as the system's own
// sentences.

#ifndef VARNOK_PLATFORM_WIN32_SYSTEM_TEXT_H_
#define VARNOK_PLATFORM_WIN32_SYSTEM_TEXT_H_

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace varnok {

// utf8 as UTF-16; nothing when it is not valid UTF-8.
std::optional<std::wstring> ToWide(std::string_view utf8);
// wide as UTF-8. An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view wide);

// path as the system's wide calls take it. A path too long for the classic
// limit of 260 characters is made absolute and given the "\\?\" prefix, so
// that the system takes it whatever its length. Nothing when path is not
// valid UTF-8 or holds a zero byte.
std::optional<std::wstring> SystemPath(std::string_view path);

// The system's explanation of an error code, as one line without the final
// full stop ("The system cannot find the file specified").
std::string ErrorText(DWORD code);
// ErrorText of the calling thread's last error.
inline std::string LastErrorText() { return ErrorText(::GetLastError()); }

}  // namespace varnok

#endif  // VARNOK_PLATFORM_WIN32_SYSTEM_TEXT_H_
