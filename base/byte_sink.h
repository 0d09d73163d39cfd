// Receives bytes, piece by piece, in order.

#ifndef VARNOK_BASE_BYTE_SINK_H_
#define VARNOK_BASE_BYTE_SINK_H_

#include <string_view>

#include "base/status.h"

namespace varnok {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // The next bytes. A failed Status stops the producer, which returns it as
  // it is.
  virtual Status Append(std::string_view bytes) = 0;
};

}  // namespace varnok

#endif  // VARNOK_BASE_BYTE_SINK_H_
