#include "ui/win32/background_run.h"

#include <commctrl.h>

#include <optional>

#include "base/messages.h"
#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"
#include "ui/core/dialog_view.h"
#include "ui/core/run_monitor.h"
#include "ui/win32/resource.h"
#include "ui/win32/window_text.h"

namespace varnok {
namespace {

constexpr int kProgressSteps = 1000;

HANDLE StartThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
  return CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
}

DWORD WINAPI RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

// Over the middle of its owner, with the owner's icon, so that the window is
// known as the program's; a bar with steps, or one that only moves when the
// run can't tell how far it has come.
void InitProgress(HWND window, const CRunMonitor& monitor) {
  SetWindowTextW(window, ProgramName().c_str());
  const HWND owner = GetWindow(window, GW_OWNER);
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               SendMessageW(owner, WM_GETICON, ICON_SMALL, 0));
  RECT outer{}, inner{};
  GetWindowRect(owner, &outer);
  GetWindowRect(window, &inner);
  SetWindowPos(window, nullptr,
               (outer.left + outer.right - (inner.right - inner.left)) / 2,
               (outer.top + outer.bottom - (inner.bottom - inner.top)) / 2, 0,
               0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
  if (monitor.ProgressStep(kProgressSteps)) {
    SendMessageW(bar, PBM_SETRANGE32, 0, kProgressSteps);
  } else {
    SetWindowLongPtrW(bar, GWL_STYLE,
                      GetWindowLongPtrW(bar, GWL_STYLE) | PBS_MARQUEE);
    SendMessageW(bar, PBM_SETMARQUEE, TRUE, 0);
  }
}

INT_PTR CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam) {
  auto* monitor =
      reinterpret_cast<CRunMonitor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
      InitProgress(window, *reinterpret_cast<CRunMonitor*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && monitor != nullptr) {
        monitor->Cancel();
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:  // the close box and Alt+F4, as Cancel
      SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void ShowProgress(HWND window, const CRunMonitor& monitor) {
  SetDlgItemTextW(window, IDC_PROGRESS_TEXT,
                  ToWideText(monitor.ProgressText()).c_str());
  if (const std::optional<int> step = monitor.ProgressStep(kProgressSteps)) {
    SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETPOS,
                        static_cast<WPARAM>(*step), 0);
  }
}

// Dispatches the thread's waiting messages, the progress window's through
// its dialog manager; notes a WM_QUIT in *quit.
void ServeMessages(HWND progress, std::optional<WPARAM>* quit) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      *quit = message.wParam;
      continue;
    }
    if (progress != nullptr && IsDialogMessageW(progress, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Serves messages until thread has ended, showing monitor's progress once
// it has run kProgressDelayMs; the progress window, if any, in *progress.
std::optional<WPARAM> ServeUntilEnded(HINSTANCE instance, HWND owner,
                                      HANDLE thread, CRunMonitor* monitor,
                                      HWND* progress) {
  const ULONGLONG start = GetTickCount64();
  std::optional<WPARAM> quit;
  for (;;) {
    const ULONGLONG elapsed = GetTickCount64() - start;
    DWORD wait = kProgressIntervalMs;
    if (*progress == nullptr && monitor != nullptr) {
      if (elapsed >= static_cast<ULONGLONG>(kProgressDelayMs)) {
        *progress = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS),
                                       owner, &ProgressProc,
                                       reinterpret_cast<LPARAM>(monitor));
        ShowWindow(*progress, SW_SHOW);
      } else {
        wait = static_cast<DWORD>(kProgressDelayMs - elapsed);
      }
    }
    if (*progress != nullptr) ShowProgress(*progress, *monitor);
    if (MsgWaitForMultipleObjects(1, &thread, FALSE, wait, QS_ALLINPUT) ==
        WAIT_OBJECT_0) {
      return quit;
    }
    ServeMessages(*progress, &quit);
  }
}

}  // namespace

HANDLE (*startWorkThread)(LPTHREAD_START_ROUTINE, void*) = StartThread;

Status RunInBackground(HINSTANCE instance, HWND owner,
                       const std::function<void()>& work,
                       CRunMonitor* monitor) {
  // The thread's own handle tells when it has ended: no event to make.
  const HANDLE started =
      startWorkThread(&RunWork, const_cast<std::function<void()>*>(&work));
  if (started == nullptr) {
    return Status::IoError(messages::kCantStartThread, {}, LastErrorText());
  }
  const UniqueHandle thread(started);

  const HWND focus = GetFocus();
  const bool wasEnabled = !EnableWindow(owner, FALSE);
  HWND progress = nullptr;
  const std::optional<WPARAM> quit =
      ServeUntilEnded(instance, owner, thread.get(), monitor, &progress);

  if (wasEnabled) EnableWindow(owner, TRUE);
  if (progress != nullptr) DestroyWindow(progress);
  if (focus != nullptr && IsWindow(focus)) SetFocus(focus);
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  return Status::Ok();
}

}  // namespace varnok
