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

// The program's only converters between its UTF-8 and the system's UTF-16.
//
// utf8 as UTF-16; nothing when it is not valid UTF-8. For every text that
// names something to the system (paths above all): a byte that is no UTF-8
// must fail the call, never name another file.
std::optional<std::wstring> ToWide(std::string_view utf8);
// utf8 as UTF-16 for showing: each byte that is no UTF-8 shows as U+FFFD.
// For text in windows and on the console, which only a person reads.
std::wstring ToWideText(std::string_view utf8);
// wide as UTF-8. An unpaired surrogate, which UTF-8 can't spell, becomes
// U+FFFD: a file so named still shows, and a call given the name fails.
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
