// Runs one function on a thread of its own while the calling thread goes on
// serving its windows; with a pack monitor, shows the run's progress window
// once the run has lasted kProgressDelayMs.

#ifndef VARNOK_UI_WIN32_BACKGROUND_RUN_H_
#define VARNOK_UI_WIN32_BACKGROUND_RUN_H_

#include <windows.h>

#include <functional>

namespace varnok {

class CPackMonitor;

// Returns once work has returned. Meanwhile owner is disabled, so that the
// user's clicks and keys on it are dropped and it does not close, and the
// thread's messages are dispatched; the progress window (template
// IDD_PROGRESS of instance) shows monitor's latest progress, brought up to
// date every kProgressIntervalMs, and its Cancel calls monitor->Cancel().
// owner gets back the keyboard focus it had. A WM_QUIT met on the way is
// posted again at the end. work must not throw.
void RunInBackground(HINSTANCE instance, HWND owner,
                     const std::function<void()>& work,
                     CPackMonitor* monitor);

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_BACKGROUND_RUN_H_
