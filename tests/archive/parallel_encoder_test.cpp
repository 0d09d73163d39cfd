#include "archive/parallel_encoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_writer.h"
#include "tests/archive/collecting_sink.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

constexpr size_t kKiB = 1024;
constexpr size_t kBuffer = CEntryEncoder::kBufferSize;

// Limits small enough for a few hundred KiB of files to meet all of them:
// files streamed by the caller, workers held back by the budget and by the
// number of files ahead.
constexpr EncodeAheadLimits kTightLimits{64 * kKiB, 160 * kKiB, 3};

// Random stretches (like compressed media) between stretches of text.
std::string MixedBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string bytes;
  while (bytes.size() < n) {
    if (gen() % 2 == 0) {
      for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>(gen()));
    } else {
      for (int i = 0; i < 60; ++i) {
        bytes += "sprite " + std::to_string(gen() % 300) + " frame 4\n";
      }
    }
  }
  bytes.resize(n);
  return bytes;
}

using test::CollectingSink;

// One file's outcome as EncodeNext (or Encode) gave it.
struct Outcome {
  std::string status;  // empty for success
  EncodedEntry entry;
  std::string held;
};

bool operator==(const Outcome& a, const Outcome& b) {
  return a.status == b.status && a.held == b.held &&
         a.entry.method == b.entry.method && a.entry.size == b.entry.size &&
         a.entry.packedSize == b.entry.packedSize && a.entry.crc == b.entry.crc;
}

void PrintTo(const Outcome& o, std::ostream* out) {
  *out << "{" << (o.status.empty() ? "ok" : o.status) << ", size "
       << o.entry.size << ", packed " << o.entry.packedSize << ", crc "
       << o.entry.crc << "}";
}

// Every file through one CEntryEncoder, in order, up to the first failure;
// the files marked in store through a storing one.
std::vector<Outcome> EncodeInOrder(const std::vector<std::string>& paths,
                                   bool compress, CollectingSink* sink,
                                   int level = kDefaultLevel,
                                   const std::vector<bool>& store = {}) {
  CEntryEncoder encoder(compress, level);
  CEntryEncoder storing(false);
  std::vector<Outcome> outcomes;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    CEntryEncoder& chosen = i < store.size() && store[i] ? storing : encoder;
    Outcome outcome;
    const size_t start = sink->held.size();
    outcome.status = chosen.Encode(path, sink, &outcome.entry).ToString();
    outcome.held = sink->held.substr(start);
    outcomes.push_back(outcome);
    if (!outcome.status.empty()) break;
  }
  return outcomes;
}

// The same through a CParallelEncoder; files gives the sizes it is told.
std::vector<Outcome> EncodeOnWorkers(
    const std::vector<CParallelEncoder::SourceFile>& files, bool compress,
    unsigned workers, EncodeAheadLimits limits, CollectingSink* sink,
    int level = kDefaultLevel) {
  CParallelEncoder encoder(files, compress, workers, limits, level);
  std::vector<Outcome> outcomes;
  for (size_t i = 0; i < files.size(); ++i) {
    Outcome outcome;
    const size_t start = sink->held.size();
    outcome.status = encoder.EncodeNext(sink, &outcome.entry).ToString();
    outcome.held = sink->held.substr(start);
    outcomes.push_back(outcome);
    if (!outcome.status.empty()) break;
  }
  return outcomes;
}

class ParallelEncoderTest : public ::testing::Test {
 protected:
  std::string Source(const std::string& bytes) {
    const std::string path =
        (folder_.path() / ("f" + std::to_string(paths_.size()))).string();
    test::WriteFile(path, bytes);
    paths_.push_back(path);
    return path;
  }
  // A path where no file is.
  std::string Missing() {
    paths_.push_back((folder_.path() / "missing").string() +
                     std::to_string(paths_.size()));
    return paths_.back();
  }
  // The request as measured now.
  std::vector<CParallelEncoder::SourceFile> Files() const {
    std::vector<CParallelEncoder::SourceFile> files;
    for (const std::string& path : paths_) {
      std::error_code error;
      const uintmax_t size = fs::file_size(path, error);
      files.push_back({&path, error ? 0 : size});
    }
    return files;
  }

  TempFolder folder_;
  std::vector<std::string> paths_;
};

TEST_F(ParallelEncoderTest, HandsBackWhatOneEncoderGivesInOrder) {
  // Empty, tiny, at and just over the tight size limit, several buffers,
  // incompressible, and runs of small files that fill the window.
  const std::vector<size_t> sizes = {
      0,         1,         3,           10 * kKiB, 64 * kKiB, 64 * kKiB + 1,
      100 * kKiB, 2 * kBuffer + 7, 20 * kKiB, 20 * kKiB, 40 * kKiB, 50 * kKiB,
      5,         0,         30 * kKiB,   3 * kBuffer, 7 * kKiB, 150 * kKiB};
  for (size_t i = 0; i < sizes.size(); ++i) {
    Source(MixedBytes(sizes[i], static_cast<unsigned>(i)));
  }
  Source(test::Deflate(MixedBytes(200 * kKiB, 99)));  // incompressible

  struct Config {
    bool compress;
    unsigned workers;
    EncodeAheadLimits limits;
    int level = kDefaultLevel;
    bool storeEveryThird = false;  // files held unchanged among the others
  };
  const std::vector<Config> configs = {
      {true, 3, kTightLimits},
      {true, 2, EncodeAheadLimits{}},
      {true, 8, kTightLimits},  // more workers than files may be ahead
      {true, 0, EncodeAheadLimits{}},
      {false, 2, kTightLimits},
      {true, 3, kTightLimits, 1, true},
      {true, 2, EncodeAheadLimits{}, 6},
  };
  for (const Config& config : configs) {
    SCOPED_TRACE(testing::Message()
                 << "compress " << config.compress << ", workers "
                 << config.workers << ", level " << config.level);
    std::vector<CParallelEncoder::SourceFile> files = Files();
    std::vector<bool> store(files.size());
    for (size_t i = 0; config.storeEveryThird && i < files.size(); i += 3) {
      store[i] = files[i].store = true;
    }
    CollectingSink inOrder, onWorkers;
    const std::vector<Outcome> expected = EncodeInOrder(
        paths_, config.compress, &inOrder, config.level, store);
    EXPECT_EQ(EncodeOnWorkers(files, config.compress, config.workers,
                              config.limits, &onWorkers, config.level),
              expected);
    EXPECT_EQ(onWorkers.held, inOrder.held);
    // Every buffer read is reported, once, on the caller's thread.
    EXPECT_EQ(onWorkers.sourceBytes, inOrder.sourceBytes);
    EXPECT_EQ(onWorkers.reads, inOrder.reads);
    EXPECT_EQ(onWorkers.threads,
              std::set<std::thread::id>{std::this_thread::get_id()});
  }
}

TEST_F(ParallelEncoderTest, WorkersRunAheadOnlyWithinTheirLimits) {
  // Before the caller takes a file, the workers encode what the limits let
  // them; then every file is rewritten. A file still holding its first
  // content was read ahead, and held in memory meanwhile.
  constexpr size_t kFiles = 12;
  constexpr size_t kSize = 4 * kKiB;
  const uint64_t held = compressBound(static_cast<uLong>(kSize));
  const struct {
    const char* what;
    EncodeAheadLimits limits;
    size_t mostAhead;
  } cases[] = {
      {"held-bytes budget", {64 * kKiB, 3 * held, 1000}, 3},
      {"files ahead", {64 * kKiB, 1000 * held, 2}, 2},
      {"file size", {kSize - 1, 1000 * held, 1000}, 0},
  };
  for (size_t i = 0; i < kFiles; ++i) Source(std::string(kSize, 'a'));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> first, second;
    for (size_t i = 0; i < kFiles; ++i) {
      first.push_back(test::RandomBytes(kSize, static_cast<unsigned>(i)));
      second.push_back(test::RandomBytes(kSize, static_cast<unsigned>(i + 99)));
      test::WriteFile(paths_[i], first[i]);
    }
    CParallelEncoder encoder(Files(), false, 4, c.limits);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (size_t i = 0; i < kFiles; ++i) test::WriteFile(paths_[i], second[i]);

    size_t readAhead = 0;
    for (size_t i = 0; i < kFiles; ++i) {
      CollectingSink sink;
      EncodedEntry entry;
      ASSERT_TRUE(encoder.EncodeNext(&sink, &entry).ok());
      ASSERT_TRUE(sink.held == first[i] || sink.held == second[i]) << i;
      if (sink.held == first[i]) ++readAhead;
    }
    EXPECT_LE(readAhead, c.mostAhead);
  }
}

TEST_F(ParallelEncoderTest, FileThatGrewSinceMeasuredIsStreamedByCaller) {
  // While the caller streams the first file (too large for a worker), a
  // worker takes the next ones, which measured a few bytes but hold far
  // more than that reserves.
  Source(MixedBytes(3 * kBuffer, 1));
  Source(MixedBytes(40 * kKiB, 2));
  Source(MixedBytes(100 * kKiB, 3));
  Source("tail");
  std::vector<CParallelEncoder::SourceFile> files = Files();
  files[1].size = 10;
  files[2].size = 0;

  CollectingSink inOrder, onWorkers;
  const std::vector<Outcome> expected = EncodeInOrder(paths_, true, &inOrder);
  EXPECT_EQ(EncodeOnWorkers(files, true, 2, kTightLimits, &onWorkers),
            expected);
  // Bytes a worker read before giving a file up are not counted again.
  EXPECT_EQ(onWorkers.sourceBytes, inOrder.sourceBytes);
}

TEST_F(ParallelEncoderTest, FirstFailureInFileOrderIsReportedAtItsTurn) {
  // The caller streams the large first file while the workers run into the
  // failures further on; each must wait for its turn, and the first hides
  // the second.
  Source(MixedBytes(3 * kBuffer, 1));
  Source(MixedBytes(30 * kKiB, 2));
  const std::string first = Missing();
  Source(MixedBytes(30 * kKiB, 3));
  Missing();

  CollectingSink inOrder;
  const std::vector<Outcome> expected = EncodeInOrder(paths_, true, &inOrder);
  ASSERT_EQ(expected.size(), 3u);
  ASSERT_EQ(expected.back().status,
            "Can't read file: " + first + ": " + test::NoSuchFileReason());
  for (int run = 0; run < 10; ++run) {
    CollectingSink onWorkers;
    EXPECT_EQ(EncodeOnWorkers(Files(), true, 2, kTightLimits, &onWorkers),
              expected);
  }

  // A failure of a file the caller streams comes before a worker's.
  std::vector<CParallelEncoder::SourceFile> files = Files();
  files[0] = {&first, uint64_t{1} << 30};
  CollectingSink onWorkers;
  const std::vector<Outcome> outcomes =
      EncodeOnWorkers(files, true, 2, kTightLimits, &onWorkers);
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].status,
            "Can't read file: " + first + ": " + test::NoSuchFileReason());
}

TEST_F(ParallelEncoderTest, FailingSinkStopsTheRunAndTheWorkers) {
  for (int i = 0; i < 30; ++i) {
    Source(MixedBytes(100 * kKiB, static_cast<unsigned>(i)));
  }
  // A sink that cancels on its third report of source bytes: EncodeNext
  // fails with that report's status, whichever file it came from.
  CollectingSink sink;
  sink.onRead = [&sink] {
    return sink.reads < 3 ? Status::Ok()
                          : Status::Cancelled();
  };
  {
    CParallelEncoder encoder(Files(), true, 2, kTightLimits);
    EncodedEntry entry;
    Status status;
    size_t handed = 0;
    while (handed < paths_.size() &&
           (status = encoder.EncodeNext(&sink, &entry)).ok()) {
      ++handed;
    }
    EXPECT_EQ(status.message(), messages::kCancelled);
    EXPECT_EQ(sink.reads, 3u);
    // Leaving the scope stops the workers in the midst of their files.
  }

  // An encoder left with files still ahead stops as well.
  CollectingSink other;
  CParallelEncoder encoder(Files(), true, 2, EncodeAheadLimits{});
  EncodedEntry entry;
  EXPECT_TRUE(encoder.EncodeNext(&other, &entry).ok());
  EXPECT_EQ(entry.size, 100 * kKiB);
}

}  // namespace
}  // namespace varnok
