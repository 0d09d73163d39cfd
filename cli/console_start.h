// What kzf does about a console that closes as it ends (a double-click on
// kzf.exe): it shows what it printed until a key is pressed, and, given no
// command, says how kzf is meant to be used.

#ifndef VARNOK_CLI_CONSOLE_START_H_
#define VARNOK_CLI_CONSOLE_START_H_

#include <cstddef>

namespace varnok {

enum class ConsoleStart {
  kRun,               // the command line runs as given
  kRunThenWait,       // it runs, then waits for a key
  kExplainThenWait,   // the usage and how to open a Command Prompt, a key
};

// For a console that closes at exit or not, and the count of arguments,
// the program's name first.
ConsoleStart ChooseConsoleStart(bool consoleClosesAtExit,
                                size_t argumentCount);

}  // namespace varnok

#endif  // VARNOK_CLI_CONSOLE_START_H_
