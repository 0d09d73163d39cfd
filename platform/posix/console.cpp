#include "platform/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/messages.h"

namespace varnok {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool WriteText(StandardStream stream, std::string_view text,
               std::string* reason) {
  std::FILE* out = stream == StandardStream::kOutput ? stdout : stderr;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), out) == text.size()) {
    return true;
  }
  *reason = errno != 0 ? std::strerror(errno) : messages::kInputOutputError;
  return false;
}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

size_t StandardErrorColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

bool ConsoleClosesAtExit() { return false; }

void WaitForKeyPress() {}

}  // namespace varnok
