// Encodes the files of one pack run on several threads and hands them back
// one by one, in order, to the thread that writes the archive.
//
// Worker threads encode the files ahead of the caller into memory. The
// caller takes each file in turn with EncodeNext, which passes its held bytes
// to the caller's sink. A file no worker holds in memory (a large one, one
// to be stored, which is bound by the disk rather than the processor, or one
// no worker has started yet) the caller encodes itself, streaming into its
// sink as a lone CEntryEncoder would, while the workers go on with the files
// after it. A file offered an old entry to reuse is compared with it in the
// same step, wherever that runs; when a worker finds that the entry holds
// the file, it keeps nothing in memory, and the caller copies the entry's
// held bytes into its sink (HeldBytesSink::AppendEntry) at the file's turn.
//
// Memory stays bounded whatever the file sizes: a worker takes on a file only
// if it is small enough, and only while the held bytes reserved by the files
// in flight stay within a budget (EncodeAheadLimits). A file that has grown
// past its reservation since it was measured is given up by its worker and
// read again from the start by the caller; none of it had reached the sink.
//
// The caller sees exactly what one CEntryEncoder working through the files in
// order would give it: the same held bytes, the same entries, and the first
// failure in file order (a worker's failure waits for its file's turn, and
// an earlier file's failure hides it). Source bytes read by workers reach
// the caller's sink through SourceRead, one call per buffer, on the caller's
// thread: a failure there (a cancel) ends EncodeNext like any other.

#ifndef VARNOK_ARCHIVE_PARALLEL_ENCODER_H_
#define VARNOK_ARCHIVE_PARALLEL_ENCODER_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/encode_ahead_limits.h"
#include "archive/entry_encoder.h"
#include "base/status.h"

namespace varnok {

class CParallelEncoder {
 public:
  // One file to encode. size is what the file measured before the run; it
  // decides where the file is encoded, never what the archive holds.
  struct SourceFile {
    const std::string* path = nullptr;  // must outlive the encoder
    uint64_t size = 0;
    EntryToReuse reuse;  // its archive must outlive the encoder
    bool store = false;  // held unchanged even when compressing
    // reuse's held bytes are copied as they lie (CEntryEncoder::Copy), on
    // the caller's thread, and path is not read.
    bool copy = false;
  };

  // compress and level: as for CEntryEncoder. workers: threads that encode
  // ahead of the caller; with none, the caller encodes every file itself.
  CParallelEncoder(std::vector<SourceFile> files, bool compress,
                   unsigned workers, EncodeAheadLimits limits = {},
                   int level = kDefaultLevel);
  // Stops the workers and waits for them.
  ~CParallelEncoder();
  CParallelEncoder(const CParallelEncoder&) = delete;
  CParallelEncoder& operator=(const CParallelEncoder&) = delete;

  // Encodes the next file into sink, as CEntryEncoder::Encode does, and
  // returns what it returns. Called once per file, from one thread.
  Status EncodeNext(HeldBytesSink* sink, EncodedEntry* entry);

 private:
  // One file in flight, from the moment it is claimed until it is handed
  // to the caller.
  struct Slot {
    enum class State {
      kEncoding,   // a worker is at it
      kHeld,       // done by a worker: outcome (and held bytes) in memory
      kForCaller,  // the caller encodes it itself: too large for a worker,
                   // grown past its reservation, or memory ran short
    };
    State state = State::kEncoding;
    uint64_t reserved = 0;  // held bytes reserved against the budget
    Status status;
    EncodedEntry entry;
    std::unique_ptr<char[]> held;  // entry.packedSize bytes, unless reused
    // Source bytes of the file a worker read, and reported, before it gave
    // the file up.
    uint64_t sourceBytesReported = 0;
  };
  class WorkerSink;
  class CallerSink;

  // What each worker thread runs: claims files and encodes them ahead
  // until there are none left, or the run stops or fails.
  void WorkerLoop();
  // Waits until a worker may claim the next file and claims it: a slot at
  // the window's end, with its reservation, or marked for the caller.
  // False when there is nothing left to claim. Takes lock held.
  bool Claim(std::unique_lock<std::mutex>& lock, size_t* index);
  // Encodes file index into memory, without the lock, within reserved held
  // bytes: the outcome, or a file for the caller.
  Slot EncodeAhead(CEntryEncoder& encoder, size_t index, uint64_t reserved);
  // Puts a worker's outcome into the file's slot and wakes whoever waits
  // for it. Needs mutex_.
  void Deliver(size_t index, Slot outcome);
  // Whether a worker may start on the next file now. Needs mutex_.
  bool MayClaimNext() const;
  size_t NextToClaim() const { return nextToHand_ + window_.size(); }
  // Called by workers after each buffer they read.
  void NoteWorkerRead(size_t n);
  // Passes every read noted so far to sink->SourceRead. Takes lock held,
  // drops it while the sink works, and returns with it held.
  Status ReportWorkerReads(std::unique_lock<std::mutex>& lock,
                           HeldBytesSink* sink);
  // Gives back a handed-out file's reservation.
  void Release(uint64_t reserved);

  // Encodes (or copies) file index on the caller's thread into sink, its
  // first alreadyReported source bytes reported by a worker before.
  Status EncodeHere(size_t index, HeldBytesSink* sink,
                    uint64_t alreadyReported, EncodedEntry* entry);
  // Whether a worker leaves file index to the caller from the start.
  bool ForCaller(const SourceFile& file) const {
    return file.size > limits_.maxHeldFileSize || file.store || file.copy;
  }

  const std::vector<SourceFile> files_;
  const bool compress_;
  const int level_;
  const EncodeAheadLimits limits_;
  CEntryEncoder callerEncoder_;  // for the files the caller encodes itself
  CEntryEncoder storingEncoder_;  // for those of them to be stored
  std::vector<size_t> reporting_;  // the caller's copy of unreportedReads_

  std::mutex mutex_;
  std::condition_variable workerWake_;  // room ahead, or stop
  std::condition_variable callerWake_;  // a file is done, or bytes were read
  // Guarded by mutex_:
  std::deque<Slot> window_;  // files nextToHand_ .. NextToClaim() - 1
  size_t nextToHand_ = 0;
  uint64_t heldReserved_ = 0;
  std::vector<size_t> unreportedReads_;
  bool failed_ = false;  // a worker failed: later files need no work
  // Set under mutex_, also read by workers between buffers.
  std::atomic<bool> stop_{false};

  std::vector<std::thread> workers_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_PARALLEL_ENCODER_H_
