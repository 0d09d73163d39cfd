// varnok's command line, the same on every system: varnok [FOLDER|ARCHIVE],
// or --help, or --version.
//
// The line is read before any window opens, so that help, version and usage
// errors need none; each face shows the texts its own way.

#ifndef VARNOK_UI_CORE_COMMAND_LINE_H_
#define VARNOK_UI_CORE_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

namespace varnok {

struct CommandLine {
  // Set when the program ends at once: it writes out to standard output and
  // err to standard error, and exits with this status.
  std::optional<int> exitStatus;
  std::string out;
  std::string err;
  // The folder whose files the dialog lists when it opens, as the bytes
  // given; none when no folder was given. A path that names no file is
  // taken for a folder, which the dialog then reports it can't read.
  std::optional<std::string> folder;
  // The archive a window opens instead of the dialog: the path given, when
  // it names a file (or anything else but a folder).
  std::optional<std::string> archive;
};

// Reads arguments, the program's name first, each one the bytes given (on
// Windows as the program spells paths). Help and version end the program
// successfully; an unknown option or a second path is a usage error, told
// as "varnok: REASON" with a pointer to --help.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace varnok

#endif  // VARNOK_UI_CORE_COMMAND_LINE_H_
