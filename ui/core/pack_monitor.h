// Carries a pack run's progress from the thread that packs to the window
// that shows it, and the user's Cancel back.

#ifndef VARNOK_UI_CORE_PACK_MONITOR_H_
#define VARNOK_UI_CORE_PACK_MONITOR_H_

#include <atomic>
#include <mutex>

#include "archive/archive_writer.h"

namespace varnok {

class CPackMonitor final : public PackObserver {
 public:
  // Called on the packing thread: keeps progress and answers false once
  // Cancel was asked for.
  bool OnProgress(const PackProgress& progress) override;

  // The latest progress. Any thread.
  PackProgress latest() const;

  // Asks the run to stop at its next progress report. Any thread.
  void Cancel() { cancelled_.store(true); }
  bool cancelled() const { return cancelled_.load(); }

 private:
  mutable std::mutex mutex_;
  PackProgress latest_;  // guarded by mutex_
  std::atomic<bool> cancelled_{false};
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_PACK_MONITOR_H_
