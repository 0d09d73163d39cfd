#include "ui/win32/top_windows.h"

namespace varnok {
namespace {

// The window property that holds a top-level window's KeyboardInput: the
// windows are found through the system, so no list is kept beside them.
constexpr wchar_t kInputProperty[] = L"Varnok.KeyboardInput";

KeyboardInput* InputOf(HWND window) {
  return static_cast<KeyboardInput*>(GetPropW(window, kInputProperty));
}

}  // namespace

void AddTopWindow(HWND window, KeyboardInput* input) {
  SetPropW(window, kInputProperty, input);
}

void RemoveTopWindow(HWND window) { RemovePropW(window, kInputProperty); }

bool AnyTopWindow() {
  bool found = false;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) {
        if (InputOf(window) == nullptr) return TRUE;
        *reinterpret_cast<bool*>(data) = true;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void DispatchToWindows(MSG* message) {
  if (message->hwnd != nullptr) {
    const HWND top = GetAncestor(message->hwnd, GA_ROOT);
    KeyboardInput* input = top != nullptr ? InputOf(top) : nullptr;
    if (input != nullptr && input->TranslateKeys(message)) return;
  }
  TranslateMessage(message);
  DispatchMessageW(message);
}

int RunTopWindows() {
  MSG message;
  while (AnyTopWindow() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchToWindows(&message);
  }
  return 0;
}

}  // namespace varnok
