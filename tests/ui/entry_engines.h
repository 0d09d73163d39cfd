// Engines for the archive window's tests on both faces: one that stands in
// for the engine and records what the window asks of it, and the real one
// held at a gate.

#ifndef VARNOK_TESTS_UI_ENTRY_ENGINES_H_
#define VARNOK_TESTS_UI_ENTRY_ENGINES_H_

#include <memory>
#include <vector>

#include "base/messages.h"
#include "tests/ui/gated_runs.h"
#include "ui/core/entry_runs.h"

namespace varnok::test {

// Ends each entry as told, writing nothing.
class RecordingEngine : public EntryEngine {
 public:
  // Ends each entry well.
  Status Extract(CArchiveReader&, const std::vector<size_t>& entries,
                 const ExtractChoice& asked,
                 CEntryRunMonitor& monitor) override {
    extracted = entries;
    choice = asked;
    for (const size_t entry : entries) monitor.EntryDone(entry, Status::Ok());
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
  size_t damaged = 1;
};

// The engine's own runs, each held at a gate until the test opens it.
class GatedEngine : public EntryEngine {
 public:
  Status Extract(CArchiveReader& reader, const std::vector<size_t>& entries,
                 const ExtractChoice& choice,
                 CEntryRunMonitor& monitor) override {
    gate.Pass();
    return engine->Extract(reader, entries, choice, monitor);
  }
  void Verify(CArchiveReader& reader, const std::vector<size_t>& entries,
              CEntryRunMonitor& monitor) override {
    gate.Pass();
    engine->Verify(reader, entries, monitor);
  }

  Gate gate;
  std::unique_ptr<EntryEngine> engine = MakeEntryEngine();
};

}  // namespace varnok::test

#endif  // VARNOK_TESTS_UI_ENTRY_ENGINES_H_
