#include "ui/core/run_monitor.h"

#include "ui/core/dialog_messages.h"

namespace varnok {

bool CPackMonitor::OnProgress(const PackProgress& progress) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    latest_ = progress;
  }
  return !cancelled();
}

PackProgress CPackMonitor::latest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return latest_;
}

std::string CPackMonitor::ProgressText() const {
  return varnok::ProgressText(latest());
}

std::optional<int> CPackMonitor::ProgressStep(int steps) const {
  return varnok::ProgressStep(latest(), steps);
}

bool CScanMonitor::OnScanProgress(const ScanProgress& progress) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    latest_ = progress;
  }
  return !cancelled();
}

ScanProgress CScanMonitor::latest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return latest_;
}

std::string CScanMonitor::ProgressText() const {
  return ScanProgressText(latest());
}

}  // namespace varnok
