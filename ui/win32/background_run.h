// Runs one function on a thread of its own while the calling thread goes on
// serving its windows; shows the run's progress window once the run has
// lasted kProgressDelayMs.

#ifndef VARNOK_UI_WIN32_BACKGROUND_RUN_H_
#define VARNOK_UI_WIN32_BACKGROUND_RUN_H_

#include <windows.h>

#include <functional>

#include "base/status.h"

namespace varnok {

class CRunMonitor;

// Returns once work has returned. Meanwhile owner is disabled, so that the
// user's clicks and keys on it are dropped and it does not close, and the
// thread's messages are dispatched; the progress window (template
// IDD_PROGRESS of instance) shows monitor's progress, brought up to date
// every kProgressIntervalMs, and its Cancel, Escape and close box call
// monitor->Cancel(). owner gets back the keyboard focus it had. A WM_QUIT
// met on the way is posted again at the end. Fails with "Can't start a
// thread" and the system's reason, before anything else, when no thread
// could be started. work must not throw.
Status RunInBackground(HINSTANCE instance, HWND owner,
                       const std::function<void()>& work,
                       CRunMonitor* monitor);

// Starts the thread that runs routine(parameter), as CreateThread does:
// its handle, or null with the thread's last error set. Tests may put a
// failing one in its place.
extern HANDLE (*startWorkThread)(LPTHREAD_START_ROUTINE routine,
                                 void* parameter);

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_BACKGROUND_RUN_H_
