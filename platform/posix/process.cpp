#include "platform/process.h"

#include <sched.h>

#include <thread>

namespace varnok {

unsigned AvailableCores() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0) return static_cast<unsigned>(count);
  }
  // A mask too small for the machine's processors: count them all.
  const unsigned all = std::thread::hardware_concurrency();
  return all > 0 ? all : 1;
}

}  // namespace varnok
