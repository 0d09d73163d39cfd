#include "archive/parallel_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

namespace varnok {
namespace {

// The most held bytes a file of size source bytes can come to: deflate's
// worst case, which is more than storing needs. zlib measures in uLong,
// which has 32 bits on Windows; past 2 GiB, far beyond any file a worker
// holds, twice the size bounds it as well.
uint64_t HeldBound(uint64_t size) {
  constexpr uint64_t kMeasured = uint64_t{1} << 31;
  return size < kMeasured ? compressBound(static_cast<uLong>(size)) : 2 * size;
}

}  // namespace

// Collects a worker's file in a memory buffer of fixed capacity, and notes
// every buffer read for the caller. An old entry that holds the file is
// kept as it is, for the caller to copy straight into its own sink.
class CParallelEncoder::WorkerSink : public HeldBytesSink {
 public:
  WorkerSink(CParallelEncoder* owner, uint64_t capacity, uint64_t* reported)
      : owner_(owner), capacity_(capacity), reported_(reported) {}

  // The file outgrew its reservation; the encoder stopped.
  bool overflowed() const { return overflowed_; }
  std::unique_ptr<char[]> TakeHeld() { return std::move(held_); }

  Status Append(const char* data, size_t n) override {
    if (n > capacity_ - size_) {
      overflowed_ = true;
      return Status::OutOfMemory();
    }
    if (held_ == nullptr) {
      held_ = std::make_unique_for_overwrite<char[]>(capacity_);
    }
    std::memcpy(held_.get() + size_, data, n);
    size_ += n;
    return Status::Ok();
  }

  Status AppendEntry(const EntryToReuse&) override { return Status::Ok(); }

  Status SourceRead(size_t n) override {
    if (owner_->stop_) return Status::Cancelled();
    owner_->NoteWorkerRead(n);
    *reported_ += n;
    return Status::Ok();
  }

 private:
  CParallelEncoder* const owner_;
  const uint64_t capacity_;
  std::unique_ptr<char[]> held_;
  uint64_t size_ = 0;
  uint64_t* const reported_;
  bool overflowed_ = false;
};

// Passes the caller's own encoding on to its sink, together with what the
// workers read meanwhile. Source bytes of the file that a worker reported
// already before giving it up are not reported twice.
class CParallelEncoder::CallerSink : public HeldBytesSink {
 public:
  CallerSink(CParallelEncoder* owner, HeldBytesSink* sink,
             uint64_t alreadyReported)
      : owner_(owner), sink_(sink), alreadyReported_(alreadyReported) {}

  Status Append(const char* data, size_t n) override {
    return sink_->Append(data, n);
  }

  Status AppendEntry(const EntryToReuse& entry) override {
    return sink_->AppendEntry(entry);
  }

  Status SourceRead(size_t n) override {
    std::unique_lock lock(owner_->mutex_);
    Status status = owner_->ReportWorkerReads(lock, sink_);
    lock.unlock();
    if (!status.ok()) return status;
    const uint64_t known = std::min<uint64_t>(n, alreadyReported_);
    alreadyReported_ -= known;
    // Even with nothing new to count, the sink gets its say (a cancel).
    return sink_->SourceRead(n - static_cast<size_t>(known));
  }

 private:
  CParallelEncoder* const owner_;
  HeldBytesSink* const sink_;
  uint64_t alreadyReported_;
};

CParallelEncoder::CParallelEncoder(std::vector<SourceFile> files,
                                   bool compress, unsigned workers,
                                   EncodeAheadLimits limits, int level)
    : files_(std::move(files)),
      compress_(compress),
      level_(level),
      limits_(limits),
      callerEncoder_(compress, level),
      storingEncoder_(false) {
  for (unsigned i = 0; i < workers && i < files_.size(); ++i) {
    try {
      workers_.emplace_back(&CParallelEncoder::WorkerLoop, this);
    } catch (const std::exception&) {
      // No thread, or no room to keep one (nothing started then): fewer
      // workers than asked, and the caller encodes what they don't.
      break;
    }
  }
}

CParallelEncoder::~CParallelEncoder() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  workerWake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

Status CParallelEncoder::EncodeNext(HeldBytesSink* sink, EncodedEntry* entry) {
  std::unique_lock lock(mutex_);
  const size_t index = nextToHand_;
  if (window_.empty()) {
    // No worker has started on this file: encode it here rather than wait.
    ++nextToHand_;
    lock.unlock();
    workerWake_.notify_all();  // the workers' next file is the one after
    return EncodeHere(index, sink, 0, entry);
  }

  // Wait for the file, passing on what the workers read meanwhile (its own
  // reads included, before its held bytes).
  for (;;) {
    const bool done = window_.front().state != Slot::State::kEncoding;
    Status status = ReportWorkerReads(lock, sink);
    if (!status.ok()) return status;
    if (done) break;
    callerWake_.wait(lock, [this] {
      return !unreportedReads_.empty() ||
             window_.front().state != Slot::State::kEncoding;
    });
  }
  Slot slot = std::move(window_.front());
  window_.pop_front();
  ++nextToHand_;
  lock.unlock();
  workerWake_.notify_all();  // room for one more file ahead

  if (slot.state == Slot::State::kForCaller) {
    return EncodeHere(index, sink, slot.sourceBytesReported, entry);
  }
  *entry = slot.entry;
  Status status = slot.status;
  if (status.ok()) {
    status = entry->reused ? sink->AppendEntry(files_[index].reuse)
                           : sink->Append(slot.held.get(), entry->packedSize);
  }
  slot.held.reset();
  Release(slot.reserved);
  return status;
}

void CParallelEncoder::WorkerLoop() {
  try {
    CEntryEncoder encoder(compress_, level_);
    std::unique_lock lock(mutex_);
    size_t index = 0;
    while (Claim(lock, &index)) {
      const Slot& claimed = window_.back();
      if (claimed.state == Slot::State::kForCaller) continue;
      const uint64_t reserved = claimed.reserved;
      lock.unlock();
      Slot outcome = EncodeAhead(encoder, index, reserved);
      lock.lock();
      Deliver(index, std::move(outcome));
    }
  } catch (const std::bad_alloc&) {
    // This worker stops; the others and the caller carry on without it.
  }
}

bool CParallelEncoder::Claim(std::unique_lock<std::mutex>& lock,
                             size_t* index) {
  workerWake_.wait(lock, [this] {
    return stop_ || failed_ || NextToClaim() == files_.size() ||
           MayClaimNext();
  });
  if (stop_ || failed_ || NextToClaim() == files_.size()) return false;
  *index = NextToClaim();
  const SourceFile& file = files_[*index];
  Slot& claimed = window_.emplace_back();
  if (ForCaller(file)) {
    claimed.state = Slot::State::kForCaller;
  } else {
    claimed.reserved = HeldBound(file.size);
    heldReserved_ += claimed.reserved;
  }
  return true;
}

CParallelEncoder::Slot CParallelEncoder::EncodeAhead(CEntryEncoder& encoder,
                                                     size_t index,
                                                     uint64_t reserved) {
  const SourceFile& file = files_[index];
  Slot outcome;
  try {
    WorkerSink sink(this, reserved, &outcome.sourceBytesReported);
    outcome.status =
        encoder.Encode(*file.path, &sink, &outcome.entry, file.reuse);
    if (sink.overflowed()) {
      outcome.state = Slot::State::kForCaller;
    } else {
      outcome.state = Slot::State::kHeld;
      if (outcome.status.ok()) outcome.held = sink.TakeHeld();
    }
  } catch (const std::bad_alloc&) {
    // The caller streams the file instead, through fixed buffers.
    outcome.state = Slot::State::kForCaller;
  }
  return outcome;
}

void CParallelEncoder::Deliver(size_t index, Slot outcome) {
  // The slot stays where it is (a deque keeps its elements in place as it
  // grows and shrinks at its ends).
  Slot& slot = window_[index - nextToHand_];
  slot.state = outcome.state;
  if (outcome.state == Slot::State::kForCaller || outcome.entry.reused) {
    // The file grew since it was measured, or it is an old entry's to
    // copy: nothing of it is in memory, and its reservation goes back.
    heldReserved_ -= slot.reserved;
    slot.reserved = 0;
    workerWake_.notify_all();
  }
  if (outcome.state == Slot::State::kForCaller) {
    slot.sourceBytesReported = outcome.sourceBytesReported;
  } else {
    slot.status = std::move(outcome.status);
    slot.entry = outcome.entry;
    slot.held = std::move(outcome.held);
    if (!slot.status.ok()) failed_ = true;
  }
  callerWake_.notify_one();
}

bool CParallelEncoder::MayClaimNext() const {
  if (window_.size() >= limits_.maxFilesAhead) return false;
  const SourceFile& file = files_[NextToClaim()];
  return ForCaller(file) ||
         heldReserved_ + HeldBound(file.size) <= limits_.heldBudget;
}

Status CParallelEncoder::EncodeHere(size_t index, HeldBytesSink* sink,
                                    uint64_t alreadyReported,
                                    EncodedEntry* entry) {
  const SourceFile& file = files_[index];
  CallerSink callerSink(this, sink, alreadyReported);
  if (file.copy) return CEntryEncoder::Copy(file.reuse, &callerSink, entry);
  CEntryEncoder& encoder = file.store ? storingEncoder_ : callerEncoder_;
  return encoder.Encode(*file.path, &callerSink, entry, file.reuse);
}

void CParallelEncoder::NoteWorkerRead(size_t n) {
  {
    std::lock_guard lock(mutex_);
    unreportedReads_.push_back(n);
  }
  callerWake_.notify_one();
}

Status CParallelEncoder::ReportWorkerReads(std::unique_lock<std::mutex>& lock,
                                           HeldBytesSink* sink) {
  if (unreportedReads_.empty()) return Status::Ok();
  reporting_.swap(unreportedReads_);
  lock.unlock();
  Status status;
  for (size_t n : reporting_) {
    status = sink->SourceRead(n);
    if (!status.ok()) break;
  }
  reporting_.clear();
  lock.lock();
  return status;
}

void CParallelEncoder::Release(uint64_t reserved) {
  if (reserved == 0) return;
  {
    std::lock_guard lock(mutex_);
    heldReserved_ -= reserved;
  }
  workerWake_.notify_all();
}

}  // namespace varnok
