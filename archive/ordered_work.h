// Shares the entries of one run (an extraction, a verification) among
// threads and reports how each ended in the run's order.
//
// The run's threads take positions 0, 1, 2... in turn (Claim), work on them
// in any order and hand in each result (Deliver). Results are reported in
// position order, one at a time, by whichever thread hands in the result
// that the next report waits for: no report is ever made twice, skipped or
// made beside another. A thread runs at most maxAhead positions past the
// first unreported one, so that the results waiting for their turn stay
// few, whatever the run's length.

#ifndef VARNOK_ARCHIVE_ORDERED_WORK_H_
#define VARNOK_ARCHIVE_ORDERED_WORK_H_

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "base/status.h"

namespace varnok {

// Hears how each entry of a run ended, in the run's order.
class EntryObserver {
 public:
  virtual ~EntryObserver() = default;
  // Entry index ended with status. Called once per entry the run reaches,
  // in the run's order, one call at a time, on any of the run's threads.
  virtual void EntryDone(size_t index, const Status& status) = 0;
  // Asked between entries, on any of the run's threads: true stops the run
  // before its next entry. The entries begun are still reported.
  virtual bool Cancelled() { return false; }
};

class COrderedWork {
 public:
  // report hears each position's result, in order; cancelled is asked
  // before each position is handed out.
  COrderedWork(size_t count, size_t maxAhead,
               std::function<void(size_t, const Status&)> report,
               std::function<bool()> cancelled);

  // Hands the calling thread the next position in *position; false once
  // none is left or the run is cancelled. While the next position lies
  // maxAhead past the first unreported one, calls idle (which must hand in
  // every result its thread holds back) and waits.
  bool Claim(size_t* position, const std::function<void()>& idle);
  // Hands in position's result, and reports it and those after it that
  // were handed in when every one before it has been reported.
  void Deliver(size_t position, Status status);
  // True when the run was cancelled.
  bool cancelled() const;

  // Runs work on threads threads, the caller's among them; a thread that
  // can't be started leaves its share to the others. Returns once every
  // thread has returned.
  static void RunOn(unsigned threads, const std::function<void()>& work);

 private:
  const size_t count_;
  const size_t maxAhead_;
  const std::function<void(size_t, const Status&)> report_;
  const std::function<bool()> cancelled_;

  mutable std::mutex mutex_;
  std::condition_variable room_;  // the first unreported position moved on
  // Guarded by mutex_:
  size_t nextToClaim_ = 0;
  size_t nextToReport_ = 0;
  bool reporting_ = false;  // a thread is making reports
  bool stopped_ = false;
  // Results waiting for their turn, position % maxAhead_.
  std::vector<std::optional<Status>> waiting_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ORDERED_WORK_H_
