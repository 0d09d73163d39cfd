// The running process, on this system's terms.

#ifndef VARNOK_PLATFORM_PROCESS_H_
#define VARNOK_PLATFORM_PROCESS_H_

namespace varnok {

// How many processors this process may run on: those its affinity allows,
// so a limit set by a container's CPU set or by the user is respected. At
// least 1.
unsigned AvailableCores();

}  // namespace varnok

#endif  // VARNOK_PLATFORM_PROCESS_H_
