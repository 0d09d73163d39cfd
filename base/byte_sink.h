// Receives bytes, piece by piece, in order.

#ifndef VARNOK_BASE_BYTE_SINK_H_
#define VARNOK_BASE_BYTE_SINK_H_

#include <span>
#include <string_view>

#include "base/status.h"

namespace varnok {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // The next bytes. A failed Status stops the producer, which returns it as
  // it is.
  virtual Status Append(std::string_view bytes) = 0;
  // Where the next bytes may be put straight away, when the sink is a block
  // of memory: a producer that puts n of them at the start of this space
  // then passes exactly those n bytes to Append, which need not copy them.
  // Empty (the default): the producer hands on bytes from its own buffer.
  virtual std::span<char> Space() { return {}; }
};

}  // namespace varnok

#endif  // VARNOK_BASE_BYTE_SINK_H_
