// Text between the dialog's paths and messages, which are UTF-8 as the
// platform layer spells them, and the wide characters of the system's
// windows.

#ifndef VARNOK_UI_WIN32_WIDE_TEXT_H_
#define VARNOK_UI_WIN32_WIDE_TEXT_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace varnok {

// utf8 in wide characters; bytes that are no UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
// wide in UTF-8; a lone surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view wide);

// The text of a window or control, whatever its length.
std::wstring WindowText(HWND window);

// The executable's name without folder and extension ("varnok").
std::wstring ProgramName();

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_WIDE_TEXT_H_
