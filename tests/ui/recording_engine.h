// Stands in for the engine behind the archive window, for the tests of
// both faces: records what the window asks of it and ends each entry as
// told.

#ifndef VARNOK_TESTS_UI_RECORDING_ENGINE_H_
#define VARNOK_TESTS_UI_RECORDING_ENGINE_H_

#include <chrono>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "ui/core/entry_runs.h"

namespace varnok::test {

class RecordingEngine : public EntryEngine {
 public:
  // Ends each entry well, or, with holdAfterFirst, the first one only,
  // then waits until the run is cancelled (ten seconds at most).
  Status Extract(CArchiveReader&, const std::vector<size_t>& entries,
                 const ExtractChoice& asked,
                 CEntryRunMonitor& monitor) override {
    extracted = entries;
    choice = asked;
    for (const size_t entry : entries) {
      if (monitor.Cancelled()) break;
      monitor.EntryDone(entry, Status::Ok());
      for (int wait = 0; holdAfterFirst && wait < 1000; ++wait) {
        if (monitor.Cancelled()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return Status::Ok();
  }
  // Finds entry damaged damaged, every other one sound.
  void Verify(CArchiveReader&, const std::vector<size_t>& entries,
              CEntryRunMonitor& monitor) override {
    for (const size_t entry : entries) {
      monitor.EntryDone(entry, entry == damaged
                                   ? Status::BadRequest(
                                         messages::kDamagedArchive, "",
                                         "entry 1: bad CRC")
                                   : Status::Ok());
    }
  }

  std::vector<size_t> extracted;
  ExtractChoice choice;
  bool holdAfterFirst = false;
  size_t damaged = 1;
};

}  // namespace varnok::test

#endif  // VARNOK_TESTS_UI_RECORDING_ENGINE_H_
