#include "archive/ordered_work.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <utility>

namespace varnok {

COrderedWork::COrderedWork(size_t count, size_t maxAhead,
                           std::function<void(size_t, const Status&)> report,
                           std::function<bool()> cancelled)
    : count_(count),
      maxAhead_(std::max<size_t>(maxAhead, 1)),
      report_(std::move(report)),
      cancelled_(std::move(cancelled)),
      waiting_(std::min(count_, maxAhead_)) {}

bool COrderedWork::Claim(size_t* position,
                         const std::function<void()>& idle) {
  std::unique_lock lock(mutex_);
  bool idled = false;
  for (;;) {
    if (stopped_ || nextToClaim_ >= count_) return false;
    if (nextToClaim_ < nextToReport_ + maxAhead_) {
      // Asked without the lock; the window is looked at again after.
      lock.unlock();
      const bool stop = cancelled_();
      lock.lock();
      if (stop) {
        stopped_ = true;
        room_.notify_all();
        return false;
      }
      if (stopped_ || nextToClaim_ >= count_) return false;
      if (nextToClaim_ < nextToReport_ + maxAhead_) break;
    } else if (!idled) {
      lock.unlock();
      idle();
      lock.lock();
      idled = true;
    } else {
      room_.wait(lock);
    }
  }
  *position = nextToClaim_++;
  return true;
}

void COrderedWork::Deliver(size_t position, Status status) {
  std::unique_lock lock(mutex_);
  waiting_[position % maxAhead_] = std::move(status);
  if (reporting_) return;  // the reporting thread finds it
  reporting_ = true;
  for (;;) {
    std::optional<Status>& next = waiting_[nextToReport_ % maxAhead_];
    if (nextToReport_ >= nextToClaim_ || !next) break;
    const Status result = std::move(*next);
    next.reset();
    lock.unlock();
    report_(nextToReport_, result);
    lock.lock();
    ++nextToReport_;
    room_.notify_all();
  }
  reporting_ = false;
}

bool COrderedWork::cancelled() const {
  std::lock_guard lock(mutex_);
  return stopped_;
}

void COrderedWork::RunOn(unsigned threads, const std::function<void()>& work) {
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::exception&) {
      break;  // no thread, or no room to keep one
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace varnok
