// The standard streams of a command-line program, on this system's terms.

#ifndef VARNOK_PLATFORM_CONSOLE_H_
#define VARNOK_PLATFORM_CONSOLE_H_

#include <cstddef>

namespace varnok {

// True when standard error is a terminal, where a progress line can be
// redrawn in place.
bool StandardErrorIsTerminal();

// How many columns wide the terminal that standard error shows on is; 0 when
// it is no terminal or does not say.
size_t StandardErrorColumns();

}  // namespace varnok

#endif  // VARNOK_PLATFORM_CONSOLE_H_
