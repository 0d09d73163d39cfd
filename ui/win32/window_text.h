// The texts of the Windows program's windows, in the system's wide
// characters; platform/win32/system_text.h turns them into the program's
// UTF-8 and back.

#ifndef VARNOK_UI_WIN32_WINDOW_TEXT_H_
#define VARNOK_UI_WIN32_WINDOW_TEXT_H_

#include <windows.h>

#include <string>

namespace varnok {

// The text of a window or control, whatever its length.
std::wstring WindowText(HWND window);

// The executable's name without folder and extension ("varnok").
std::wstring ProgramName();

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_WINDOW_TEXT_H_
