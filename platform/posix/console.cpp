#include "platform/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace varnok {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

size_t StandardErrorColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

}  // namespace varnok
