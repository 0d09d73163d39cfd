// The standard streams of a command-line program, on this system's terms.

#ifndef VARNOK_PLATFORM_CONSOLE_H_
#define VARNOK_PLATFORM_CONSOLE_H_

namespace varnok {

// True when standard error is a terminal, where a progress line can be
// redrawn in place.
bool StandardErrorIsTerminal();

}  // namespace varnok

#endif  // VARNOK_PLATFORM_CONSOLE_H_
