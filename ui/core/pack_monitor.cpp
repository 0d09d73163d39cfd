#include "ui/core/pack_monitor.h"

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

}  // namespace varnok
