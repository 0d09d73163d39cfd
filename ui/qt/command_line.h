// varnok's command line: varnok [FOLDER], or --help, or --version.
//
// The line is read before the application starts, so that help, version and
// usage errors need no display. Qt's own options (-platform, -style, ...)
// are not taken; its environment variables (QT_QPA_PLATFORM, ...) do their
// work.

#ifndef VARNOK_UI_QT_COMMAND_LINE_H_
#define VARNOK_UI_QT_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

#include "base/exit_status.h"

namespace varnok {

struct CommandLine {
  // Set when the program ends at once: it writes out to standard output and
  // err to standard error, and exits with this status.
  std::optional<int> exitStatus;
  std::string out;
  std::string err;
  // The folder whose files the dialog lists when it opens, as the bytes
  // given; none when no folder was given.
  std::optional<std::string> folder;
};

// Reads arguments, the program's name first, each one the bytes given.
// Help and version end the program successfully; an unknown option or a
// second folder is a usage error.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace varnok

#endif  // VARNOK_UI_QT_COMMAND_LINE_H_
