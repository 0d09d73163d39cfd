#include "base/sizes.h"

#include <cinttypes>
#include <cstdio>
#include <iterator>

namespace varnok {

std::string FormatSize(uint64_t bytes) {
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%" PRIu64 " B", bytes);
    return text;
  }
  static const char* const kUnits[] = {"KiB", "MiB", "GiB",
                                       "TiB", "PiB", "EiB"};
  double value = static_cast<double>(bytes) / 1024.0;
  size_t unit = 0;
  // Rounded to one decimal, 1023.96 KiB would show as 1024.0 KiB.
  while (unit + 1 < std::size(kUnits) && value >= 1023.95) {
    value /= 1024.0;
    ++unit;
  }
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace varnok
