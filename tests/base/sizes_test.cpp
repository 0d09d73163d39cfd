#include "base/sizes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace varnok {
namespace {

TEST(SizesTest, SizesUseTheLargestUnitThatKeepsAWholeNumber) {
  const struct {
    uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KiB"},
      {1536, "1.5 KiB"},
      {1048575, "1.0 MiB"},  // not 1024.0 KiB
      {1530000, "1.5 MiB"},
      {uint64_t{5} << 30, "5.0 GiB"},
      {uint64_t{3000} << 30, "2.9 TiB"},
      {std::numeric_limits<uint64_t>::max(), "16.0 EiB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSize(c.bytes), c.text);
}

}  // namespace
}  // namespace varnok
