// varnok: the desktop tool. varnok [FOLDER] opens the main dialog, with the
// files beneath FOLDER listed when it is given; the exit status is the
// dialog's result. varnok ARCHIVE opens the archive in a window of its own. --help, --version and usage errors (exit status 2) are
// answered on the terminal without a window.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.h"
#include "ui/core/command_line.h"
#include "ui/qt/app.h"

int main(int argc, char** argv) {
  using namespace varnok;
  // A full disk or a file-size limit is then a message, and Ctrl-C or a
  // closed terminal leaves no temporary file behind.
  InstallSignalHandling();
  const CommandLine commandLine =
      ParseCommandLine(std::vector<std::string>(argv, argv + argc));
  if (commandLine.exitStatus) {
    std::fputs(commandLine.out.c_str(), stdout);
    std::fputs(commandLine.err.c_str(), stderr);
    return *commandLine.exitStatus;
  }
  // The arguments are all read: Qt sees only the program's name.
  int qtArgc = 1;
  CVarnokApp app(qtArgc, argv);
  if (commandLine.archive) return app.RunArchive(*commandLine.archive);
  return app.Run(commandLine.folder);
}
