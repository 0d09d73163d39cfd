#include "platform/console.h"

#include <unistd.h>

namespace varnok {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace varnok
