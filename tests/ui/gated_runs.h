// Scans and packs that wait at a gate until the test opens it, so that a
// test can act while the dialog shows their progress: for the tests of both
// faces.

#ifndef VARNOK_TESTS_UI_GATED_RUNS_H_
#define VARNOK_TESTS_UI_GATED_RUNS_H_

#include <condition_variable>
#include <mutex>
#include <string>

#include "archive/archive_writer.h"
#include "scan/pack_list.h"
#include "ui/core/varnok_presenter.h"

namespace varnok::test {

// Holds the threads that pass it until it is opened.
class Gate {
 public:
  ~Gate() { Open(); }
  void Pass() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// A pack held at its first progress report after it has read source bytes,
// when the archive's temporary file exists, until gate opens.
inline PackFunction GatedPack(Gate* gate) {
  return [gate](const PackRequest& request, PackObserver* observer) {
    class Relay : public PackObserver {
     public:
      Relay(Gate* gate, PackObserver* inner) : gate_(gate), inner_(inner) {}
      bool OnProgress(const PackProgress& progress) override {
        if (progress.bytesDone != 0) gate_->Pass();
        return inner_->OnProgress(progress);
      }

     private:
      Gate* gate_;
      PackObserver* inner_;
    } relay(gate, observer);
    return CArchiveWriter().Pack(request, &relay);
  };
}

// A scan held at its first report, once the observer has it, until gate
// opens.
inline ScanFunction GatedScan(Gate* gate) {
  return [gate](const std::string& folder, ScanObserver* observer) {
    class Relay : public ScanObserver {
     public:
      Relay(Gate* gate, ScanObserver* inner) : gate_(gate), inner_(inner) {}
      bool OnScanProgress(const ScanProgress& progress) override {
        inner_->OnScanProgress(progress);
        gate_->Pass();
        return inner_->OnScanProgress(progress);
      }

     private:
      Gate* gate_;
      ScanObserver* inner_;
    } relay(gate, observer);
    return ListFilesToPack(folder, &relay);
  };
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_UI_GATED_RUNS_H_
