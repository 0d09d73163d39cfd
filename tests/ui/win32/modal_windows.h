// Finds and drives the modal windows of the system and of the program from
// the thread that runs them, for the tests of the Windows windows.

#ifndef VARNOK_TESTS_UI_WIN32_MODAL_WINDOWS_H_
#define VARNOK_TESTS_UI_WIN32_MODAL_WINDOWS_H_

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <utility>

#include "ui/win32/resource.h"

namespace varnok::test {

// The first visible top-level window of this thread with a child of one of
// the control ids: the progress window (its bar), the save dialog (its
// file-name field).
inline HWND ThreadWindowWith(std::initializer_list<int> ids) {
  struct Search {
    std::initializer_list<int> ids;
    HWND found = nullptr;
  } search{ids};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) {
        auto* s = reinterpret_cast<Search*>(data);
        if (!IsWindowVisible(window)) return TRUE;
        for (const int id : s->ids) {
          if (GetDlgItem(window, id) != nullptr) {
            s->found = window;
            return FALSE;
          }
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
inline HWND ProgressWindow() { return ThreadWindowWith({IDC_PROGRESS_BAR}); }

// Calls tick every 20 ms while the thread serves a modal window, until it
// answers true; with no answer after ten seconds, calls giveUp.
class Ticker {
 public:
  Ticker(std::function<bool()> tick, std::function<void()> giveUp)
      : tick_(std::move(tick)), giveUp_(std::move(giveUp)) {
    current_ = this;
    start_ = GetTickCount64();
    timer_ = SetTimer(nullptr, 0, 20, &Ticker::OnTimer);
  }
  ~Ticker() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  // True once tick has answered true.
  bool done() const { return finished_ && !gaveUp_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    Ticker* self = current_;
    if (self == nullptr || self->finished_) return;
    if (self->tick_()) {
      self->finished_ = true;
    } else if (GetTickCount64() - self->start_ > 10000) {
      self->finished_ = self->gaveUp_ = true;
      self->giveUp_();
    }
  }

  static inline Ticker* current_ = nullptr;
  std::function<bool()> tick_;
  std::function<void()> giveUp_;
  UINT_PTR timer_ = 0;
  ULONGLONG start_ = 0;
  bool finished_ = false;
  bool gaveUp_ = false;
};

}  // namespace varnok::test

#endif  // VARNOK_TESTS_UI_WIN32_MODAL_WINDOWS_H_
