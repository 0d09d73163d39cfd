#include "cli/console_start.h"

namespace varnok {

ConsoleStart ChooseConsoleStart(bool consoleClosesAtExit,
                                size_t argumentCount) {
  if (!consoleClosesAtExit) return ConsoleStart::kRun;
  // Files dropped on kzf.exe arrive as arguments: what kzf says of them
  // stays readable too.
  return argumentCount <= 1 ? ConsoleStart::kExplainThenWait
                            : ConsoleStart::kRunThenWait;
}

}  // namespace varnok
