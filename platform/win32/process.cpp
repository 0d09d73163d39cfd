#include "platform/process.h"

#include <windows.h>

#include <bit>
#include <thread>

namespace varnok {

void InstallSignalHandling() {
  // Ctrl-C and Ctrl-Break keep the system's handling, which ends the
  // process: its temporary files are marked for deletion on close and go
  // with it. A drive that can't be read is an error to report, not a
  // message box that waits for a click.
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS |
                 SEM_NOOPENFILEERRORBOX);
}

unsigned AvailableCores() {
  // The processors of the process's group that its affinity allows.
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) {
    const int count = std::popcount(static_cast<uint64_t>(process));
    if (count > 0) return static_cast<unsigned>(count);
  }
  const unsigned all = std::thread::hardware_concurrency();
  return all > 0 ? all : 1;
}

}  // namespace varnok
