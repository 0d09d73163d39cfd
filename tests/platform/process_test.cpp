#include "platform/process.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <vector>

namespace varnok {
namespace {

TEST(ProcessTest, AvailableCoresFollowsTheAffinityMask) {
  cpu_set_t original;
  ASSERT_EQ(sched_getaffinity(0, sizeof original, &original), 0);
  std::vector<int> allowed;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &original)) allowed.push_back(cpu);
  }
  // Masks of the first 1, 2, ... allowed processors, as a CPU limit or
  // taskset would set them.
  for (size_t n = 1; n <= allowed.size() && n <= 4; ++n) {
    SCOPED_TRACE(n);
    cpu_set_t mask;
    CPU_ZERO(&mask);
    for (size_t i = 0; i < n; ++i) CPU_SET(allowed[i], &mask);
    ASSERT_EQ(sched_setaffinity(0, sizeof mask, &mask), 0);
    const unsigned counted = AvailableCores();
    ASSERT_EQ(sched_setaffinity(0, sizeof original, &original), 0);
    EXPECT_EQ(counted, n);
  }
}

}  // namespace
}  // namespace varnok
