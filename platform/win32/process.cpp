#include "platform/process.h"

#include <windows.h>

namespace varnok {

void InstallSignalHandling() {
  // Ctrl-C and Ctrl-Break keep the system's handling, which ends the
  // process: its temporary files are marked for deletion on close and go
  // with it. A drive that can't be read is an error to report, not a
  // message box that waits for a click.
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS |
                 SEM_NOOPENFILEERRORBOX);
}

}  // namespace varnok
