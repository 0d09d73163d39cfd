// A command-line program's arguments and standard streams, on this
// system's terms.

#ifndef VARNOK_PLATFORM_CONSOLE_H_
#define VARNOK_PLATFORM_CONSOLE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// The program's arguments, its name first, as paths are spelt inside the
// program (see file_system.h). On Windows they are read from the system's
// own UTF-16 command line, so that any file name arrives whole; argc and
// argv serve elsewhere.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

enum class StandardStream { kOutput, kError };

// Writes text, spelt as the program spells paths, to standard output or
// standard error, after what the C library holds for it. A Windows console
// is given it in UTF-16, so that every name shows as it is; files and pipes
// get UTF-8 with "\n" line ends on every system. On POSIX the text may wait
// in the C library's buffer. False when the write failed, with the system's
// explanation in *reason.
bool WriteText(StandardStream stream, std::string_view text,
               std::string* reason);

// True when standard error is a terminal, where a progress line can be
// redrawn in place (on Windows a console, which this switches to taking
// the line's control sequences).
bool StandardErrorIsTerminal();

// How many columns wide the terminal that standard error shows on is; 0 when
// it is no terminal or does not say.
size_t StandardErrorColumns();

// True when the program is the only one on its console, which the system
// made for it and closes as it ends: a Windows console program started
// from Explorer. False on POSIX, and when the program has no console.
bool ConsoleClosesAtExit();

// Waits for a key pressed on the program's console; returns at once when
// there is none to read from.
void WaitForKeyPress();

}  // namespace varnok

#endif  // VARNOK_PLATFORM_CONSOLE_H_
