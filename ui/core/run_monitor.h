// Carries a long run's progress from the thread that does the work to the
// window that shows it, and the user's Cancel back: a pack's, or a scan's.

#ifndef VARNOK_UI_CORE_RUN_MONITOR_H_
#define VARNOK_UI_CORE_RUN_MONITOR_H_

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

#include "archive/archive_writer.h"
#include "scan/folder_scanner.h"

namespace varnok {

// What a progress window asks of a run. Every member may be called from any
// thread.
class CRunMonitor {
 public:
  virtual ~CRunMonitor() = default;

  // The window's text for the latest progress.
  virtual std::string ProgressText() const = 0;
  // How far a progress bar of steps steps has come; nothing when the run
  // can't tell how much is left, and the bar only shows that it goes on.
  virtual std::optional<int> ProgressStep(int steps) const = 0;

  // Asks the run to stop at its next progress report.
  void Cancel() { cancelled_.store(true); }
  bool cancelled() const { return cancelled_.load(); }

 private:
  std::atomic<bool> cancelled_{false};
};

// A pack run's: files and bytes done of those in all.
class CPackMonitor final : public CRunMonitor, public PackObserver {
 public:
  // Called on the packing thread: keeps progress and answers false once
  // Cancel was asked for.
  bool OnProgress(const PackProgress& progress) override;

  // The latest progress.
  PackProgress latest() const;

  std::string ProgressText() const override;
  std::optional<int> ProgressStep(int steps) const override;

 private:
  mutable std::mutex mutex_;
  PackProgress latest_;  // guarded by mutex_
};

// A scan's: the folders and files found so far, with no end in sight.
class CScanMonitor final : public CRunMonitor, public ScanObserver {
 public:
  // Called on the scanning thread: keeps progress and answers false once
  // Cancel was asked for.
  bool OnScanProgress(const ScanProgress& progress) override;

  // The latest progress.
  ScanProgress latest() const;

  std::string ProgressText() const override;
  std::optional<int> ProgressStep(int) const override { return std::nullopt; }

 private:
  mutable std::mutex mutex_;
  ScanProgress latest_;  // guarded by mutex_
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_RUN_MONITOR_H_
