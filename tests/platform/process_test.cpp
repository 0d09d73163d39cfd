#include "platform/process.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/platform_test.h"

namespace varnok {
namespace {

TEST(ProcessTest, AvailableCoresFollowsTheAffinityMask) {
  const std::vector<int> allowed = test::AllowedProcessors();
  ASSERT_FALSE(allowed.empty());
  // Masks of the first 1, 2, ... allowed processors, as a CPU limit or
  // taskset would set them.
  for (size_t n = 1; n <= allowed.size() && n <= 4; ++n) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(test::AllowProcessors(
        std::vector<int>(allowed.begin(), allowed.begin() + n)));
    const unsigned counted = AvailableCores();
    ASSERT_TRUE(test::AllowProcessors(allowed));
    EXPECT_EQ(counted, n);
  }
}

}  // namespace
}  // namespace varnok
