// A HeldBytesSink for the encoder tests: keeps what an encoder hands on.

#ifndef VARNOK_TESTS_ARCHIVE_COLLECTING_SINK_H_
#define VARNOK_TESTS_ARCHIVE_COLLECTING_SINK_H_

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "archive/entry_encoder.h"

namespace varnok::test {

// The held bytes of every file in a row, the source bytes read, and the
// threads the calls came from.
class CollectingSink : public HeldBytesSink {
 public:
  std::string held;
  uint64_t sourceBytes = 0;
  size_t reads = 0;
  std::set<std::thread::id> threads;
  // Decides each SourceRead's answer when set (a cancel).
  std::function<Status()> onRead;

  Status Append(const char* data, size_t n) override {
    threads.insert(std::this_thread::get_id());
    held.append(data, n);
    return Status::Ok();
  }
  Status SourceRead(size_t n) override {
    threads.insert(std::this_thread::get_id());
    sourceBytes += n;
    ++reads;
    return onRead ? onRead() : Status::Ok();
  }
};

}  // namespace varnok::test

#endif  // VARNOK_TESTS_ARCHIVE_COLLECTING_SINK_H_
