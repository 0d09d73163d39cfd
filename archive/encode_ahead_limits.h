// How far the threads that encode a pack run's files may run ahead of the
// thread that writes the archive (see CParallelEncoder).

#ifndef VARNOK_ARCHIVE_ENCODE_AHEAD_LIMITS_H_
#define VARNOK_ARCHIVE_ENCODE_AHEAD_LIMITS_H_

#include <cstddef>
#include <cstdint>

namespace varnok {

struct EncodeAheadLimits {
  // Largest file a worker holds in memory; the caller streams larger ones.
  uint64_t maxHeldFileSize = uint64_t{8} << 20;
  // Most held bytes reserved at once by the files in flight. A file
  // reserves deflate's worst case for its size (compressBound).
  uint64_t heldBudget = uint64_t{32} << 20;
  // Most files in flight at once, however small.
  size_t maxFilesAhead = 1024;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ENCODE_AHEAD_LIMITS_H_
