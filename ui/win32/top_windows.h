// The thread's message loop, shared by the program's top-level windows (the
// packing dialog and the archive windows): each window turns its own keys
// into commands before a message is dispatched, and the program runs while
// one of them is left.

#ifndef VARNOK_UI_WIN32_TOP_WINDOWS_H_
#define VARNOK_UI_WIN32_TOP_WINDOWS_H_

#include <windows.h>

namespace varnok {

// What a top-level window does with the keyboard messages for itself and
// its controls before they are dispatched.
class KeyboardInput {
 public:
  virtual ~KeyboardInput() = default;
  // Handles message (accelerators, Tab and access keys); true when it was
  // handled and is not to be dispatched.
  virtual bool TranslateKeys(MSG* message) = 0;
};

// Counts window among the program's top-level windows, its messages passed
// to input first, until RemoveTopWindow (at the latest on WM_NCDESTROY).
// input must live as long as it is counted.
void AddTopWindow(HWND window, KeyboardInput* input);
void RemoveTopWindow(HWND window);

// True while one of the thread's top-level windows is left.
bool AnyTopWindow();

// Passes message on: to the input of the top-level window it is for, then,
// unless that handled it, to its window procedure.
void DispatchToWindows(MSG* message);

// Serves the thread's messages until no top-level window is left; the
// program's exit code.
int RunTopWindows();

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_TOP_WINDOWS_H_
