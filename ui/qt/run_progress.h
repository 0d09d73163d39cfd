// Runs work off the interface thread while a window stays alive: its
// windows keep painting and take no input until the work ends. Work that
// lasts longer than kProgressDelayMs shows the monitor's progress in a
// window of its own over owner, brought up to date every
// kProgressIntervalMs, whose Cancel (or Escape, or close box) cancels the
// monitor; the run then ends at its next report.

#ifndef VARNOK_UI_QT_RUN_PROGRESS_H_
#define VARNOK_UI_QT_RUN_PROGRESS_H_

#include <functional>

#include "base/status.h"

class QWidget;

namespace varnok {

class CRunMonitor;

// Returns once work has returned; fails, without running it, only when no
// thread can be started. A null monitor shows no progress.
Status RunShowingProgress(QWidget* owner, const std::function<void()>& work,
                          CRunMonitor* monitor);

}  // namespace varnok

#endif  // VARNOK_UI_QT_RUN_PROGRESS_H_
