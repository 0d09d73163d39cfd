#include "base/path_less.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace varnok {
namespace {

// A byte as the order sees it: A-Z as a-z, and '\\' as '/', so that a path
// spelt with either separator sorts alike.
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + ('a' - 'A'));
  return c == '\\' ? '/' : c;
}

// The length of the longest common prefix of a and b. Paths in one list
// share long prefixes, so this compares eight bytes at a time.
size_t CommonPrefix(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

}  // namespace

bool PathLess(std::string_view a, std::string_view b) {
  // Up to the first differing byte both orders agree.
  const size_t common = std::min(a.size(), b.size());
  size_t i = CommonPrefix(a, b);

  // From there, the first folded difference decides; failing that, the
  // shorter path; failing that, the first raw difference (an upper-case
  // letter before its lower case, '/' before '\\').
  int rawOrder = 0;
  for (; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x == y) continue;
    const unsigned char fx = Fold(x);
    const unsigned char fy = Fold(y);
    if (fx != fy) return fx < fy;
    if (rawOrder == 0) rawOrder = x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return rawOrder < 0;
}

}  // namespace varnok
