// When kzf keeps its console open and explains itself: only for a console
// that closes as it ends, never for one a user or a script started it from.

#include <gtest/gtest.h>

#include "cli/console_start.h"

namespace varnok {
namespace {

TEST(ConsoleStartTest, WaitsOnlyOnAConsoleThatClosesAtExit) {
  const struct {
    bool closes;
    size_t arguments;
    ConsoleStart expected;
  } cases[] = {
      // A Command Prompt, a script, a pipe: nothing changes.
      {false, 1, ConsoleStart::kRun},
      {false, 3, ConsoleStart::kRun},
      // A double-click, then a file dropped on kzf.exe.
      {true, 1, ConsoleStart::kExplainThenWait},
      {true, 2, ConsoleStart::kRunThenWait},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseConsoleStart(c.closes, c.arguments), c.expected)
        << c.closes << " " << c.arguments;
  }
}

}  // namespace
}  // namespace varnok
