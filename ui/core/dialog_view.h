// What the main dialog's commands ask of the window that shows them: its
// controls, and work that runs while the window stays alive.
//
// Each face (ui/qt, ui/win32) implements it with its own controls; the
// commands themselves are written once, in CVarnokPresenter. Paths and
// texts are spelt as the platform layer spells paths.

#ifndef VARNOK_UI_CORE_DIALOG_VIEW_H_
#define VARNOK_UI_CORE_DIALOG_VIEW_H_

#include <functional>
#include <string>
#include <vector>

#include "base/status.h"

namespace varnok {

class CRunMonitor;

class DialogView {
 public:
  virtual ~DialogView() = default;

  // Replaces the list's rows by rows, shown in the order given.
  virtual void ShowRows(const std::vector<std::string>& rows) = 0;

  // The base path edit's text.
  virtual std::string BasePath() const = 0;
  virtual void SetBasePath(const std::string& basePath) = 0;

  // The compress check box, which a click never changes by itself.
  virtual bool CompressChecked() const = 0;
  virtual void SetCompressChecked(bool checked) = 0;

  // Runs work on a thread of its own and returns once it has ended. The
  // window goes on painting meanwhile and takes no input: the user's clicks
  // and keys wait or are dropped, and the window does not close. A run that
  // lasts longer than kProgressDelayMs shows the monitor's progress in a
  // window of its own, brought up to date every kProgressIntervalMs, with a
  // Cancel button; Cancel, Escape and that window's close box call
  // monitor->Cancel(). Fails with "Can't start a thread", without running
  // work, when the system can't start one. work must not throw.
  virtual Status RunInBackground(const std::function<void()>& work,
                                 CRunMonitor* monitor) = 0;
};

// A scan or a pack that runs longer than this shows its progress.
inline constexpr int kProgressDelayMs = 500;
// How often shown progress is brought up to date.
inline constexpr int kProgressIntervalMs = 100;

}  // namespace varnok

#endif  // VARNOK_UI_CORE_DIALOG_VIEW_H_
