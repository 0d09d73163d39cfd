#include "ui/win32/window_text.h"

#include <vector>

namespace varnok {

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1,
                    L'\0');
  const int length =
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::wstring ProgramName() {
  // The module's path may be longer than MAX_PATH: grow until it fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(
        nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      const size_t slash = path.find_last_of(L"\\/");
      if (slash != std::wstring::npos) path.erase(0, slash + 1);
      const size_t dot = path.rfind(L'.');
      if (dot != std::wstring::npos && dot != 0) path.erase(dot);
      return path;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace varnok
