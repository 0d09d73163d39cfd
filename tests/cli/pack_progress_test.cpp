#include "cli/pack_progress.h"

#include <gtest/gtest.h>

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

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
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
  CPackProgress observer(file, [] { return size_t{200}; });
  for (uint32_t i = 0; i <= 1000; ++i) {
    ASSERT_TRUE(observer.OnProgress(PackProgress{i, 1000, i, 1000}));
  }
  observer.Finish();
  const std::string text = Drawn(file);
  std::fclose(file);
  // The first report draws at once; a thousand quick ones do not redraw.
  EXPECT_EQ(text.rfind("\r\033[Kpacking: 0/1000 entries", 0), 0u) << text;
  EXPECT_LT(Count(text, "packing:"), 5u);
  EXPECT_TRUE(text.ends_with("\r\033[K")) << text;
  EXPECT_EQ(observer.last().entriesDone, 1000u);
}

TEST(PackProgressTest, WithoutATerminalOnlyKeepsTheTotals) {
  CPackProgress observer(nullptr);
  EXPECT_TRUE(observer.OnProgress(PackProgress{1, 2, 3, 4}));
  observer.Finish();
  EXPECT_EQ(observer.last().bytesTotal, 4u);
}

}  // namespace
}  // namespace varnok
