// Stored names made safe to print.

#ifndef VARNOK_BASE_ESCAPE_H_
#define VARNOK_BASE_ESCAPE_H_

#include <string>
#include <string_view>

namespace varnok {

// name with every byte below 0x20, 0x7F and the backslash written as \xNN,
// so that a stored name prints on one line and can't steer a terminal.
std::string EscapeName(std::string_view name);

}  // namespace varnok

#endif  // VARNOK_BASE_ESCAPE_H_
