#include "platform/console.h"

#include <unistd.h>

#include <cstdio>

namespace varnok {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool WriteText(StandardStream stream, std::string_view text) {
  std::FILE* out = stream == StandardStream::kOutput ? stdout : stderr;
  return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace varnok
