#include "cli/pack_progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace varnok {
namespace {

std::string Drawn(std::FILE* file) {
  std::string text(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
  return text;
}

TEST(PackProgressTest, LineShowsEntriesBytesAndRateInTheWidthItHas) {
  const PackProgress progress{12, 300, 5 * 1024 * 1024, 120 * 1024 * 1024};
  const struct {
    PackProgress progress;
    double seconds;
    size_t width;
    std::string line;
  } cases[] = {
      {progress, 2.0, 0,
       "packing: 12/300 entries, 5.0 MiB of 120.0 MiB, 2.5 MiB/s"},
      {progress, 2.0, 56,
       "packing: 12/300 entries, 5.0 MiB of 120.0 MiB, 2.5 MiB/s"},
      // The rate goes first, then the bytes, then the rest is cut.
      {progress, 2.0, 55, "packing: 12/300 entries, 5.0 MiB of 120.0 MiB"},
      {progress, 2.0, 44, "packing: 12/300 entries"},
      {progress, 2.0, 10, "packing: 1"},
      {PackProgress{0, 0, 800, 1023}, 0.0, 0,
       "packing: 0/0 entries, 800 B of 1023 B, 0 B/s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressLine(c.progress, c.seconds, c.width), c.line);
  }
}

TEST(PackProgressTest, RedrawsAtMostTenTimesASecondAndClearsAtTheEnd) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  using namespace std::chrono_literals;
  CPackProgress::Clock::time_point now;
  CPackProgress observer(file, [] { return size_t{200}; }, [&now] { return now; });
  // A report every 50 ms for a second: the first draws at once, then one in
  // two, each 100 ms after the last drawing.
  std::string expected;
  for (uint32_t i = 0; i <= 20; ++i) {
    const PackProgress progress{i, 20, i * uint64_t{1024}, 20 * 1024};
    ASSERT_TRUE(observer.OnProgress(progress));
    if (i % 2 == 0) {
      const std::chrono::duration<double> seconds = i * 50ms;
      expected += "\r\033[K" + ProgressLine(progress, seconds.count(), 199);
    }
    now += 50ms;
  }
  observer.Finish();
  expected += "\r\033[K";
  EXPECT_EQ(Drawn(file), expected);
  std::fclose(file);
  EXPECT_EQ(observer.last().entriesDone, 20u);
}

TEST(PackProgressTest, WithoutATerminalOnlyKeepsTheTotals) {
  CPackProgress observer(nullptr);
  EXPECT_TRUE(observer.OnProgress(PackProgress{1, 2, 3, 4}));
  observer.Finish();
  EXPECT_EQ(observer.last().bytesTotal, 4u);
}

}  // namespace
}  // namespace varnok
