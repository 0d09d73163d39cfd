#include "ui/win32/background_run.h"

#include <commctrl.h>

#include <optional>
#include <thread>

#include "ui/core/dialog_messages.h"
#include "ui/core/dialog_view.h"
#include "ui/core/pack_monitor.h"
#include "ui/win32/resource.h"
#include "ui/win32/wide_text.h"

namespace varnok {
namespace {

constexpr int kProgressSteps = 1000;

INT_PTR CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
      SetWindowTextW(window, ProgramName().c_str());
      {
        // Over the middle of its owner, with the owner's icon, so that the
        // window is known as the program's.
        const HWND owner = GetWindow(window, GW_OWNER);
        SendMessageW(window, WM_SETICON, ICON_SMALL,
                     SendMessageW(owner, WM_GETICON, ICON_SMALL, 0));
        RECT outer{}, inner{};
        GetWindowRect(owner, &outer);
        GetWindowRect(window, &inner);
        SetWindowPos(window, nullptr,
                     (outer.left + outer.right - (inner.right - inner.left)) / 2,
                     (outer.top + outer.bottom - (inner.bottom - inner.top)) / 2,
                     0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0,
                          kProgressSteps);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        auto* monitor = reinterpret_cast<CPackMonitor*>(
            GetWindowLongPtrW(window, GWLP_USERDATA));
        monitor->Cancel();
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:  // the close box, as Cancel
      SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void ShowProgress(HWND window, const PackProgress& progress) {
  SetDlgItemTextW(window, IDC_PROGRESS_TEXT,
                  Widen(ProgressText(progress)).c_str());
  SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETPOS,
                      static_cast<WPARAM>(ProgressStep(progress, kProgressSteps)),
                      0);
}

}  // namespace

void RunInBackground(HINSTANCE instance, HWND owner,
                     const std::function<void()>& work,
                     CPackMonitor* monitor) {
  const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread worker([&work, done] {
    work();
    SetEvent(done);
  });

  const HWND focus = GetFocus();
  const bool wasEnabled = !EnableWindow(owner, FALSE);
  const ULONGLONG start = GetTickCount64();
  HWND progress = nullptr;
  std::optional<WPARAM> quit;
  for (;;) {
    const ULONGLONG elapsed = GetTickCount64() - start;
    DWORD wait = kProgressIntervalMs;
    if (progress == nullptr && monitor != nullptr) {
      if (elapsed >= static_cast<ULONGLONG>(kProgressDelayMs)) {
        progress = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS),
                                      owner, &ProgressProc,
                                      reinterpret_cast<LPARAM>(monitor));
        ShowWindow(progress, SW_SHOW);
      } else {
        wait = static_cast<DWORD>(kProgressDelayMs - elapsed);
      }
    }
    if (progress != nullptr) ShowProgress(progress, monitor->latest());
    const DWORD woke =
        MsgWaitForMultipleObjects(1, &done, FALSE, wait, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = message.wParam;
        continue;
      }
      if (progress != nullptr && IsDialogMessageW(progress, &message)) {
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  worker.join();
  CloseHandle(done);

  if (wasEnabled) EnableWindow(owner, TRUE);
  if (progress != nullptr) DestroyWindow(progress);
  if (focus != nullptr && IsWindow(focus)) SetFocus(focus);
  if (quit) PostQuitMessage(static_cast<int>(*quit));
}

}  // namespace varnok
