// varnok.exe: the desktop dialog on Windows. "varnok FOLDER" opens it with
// the files beneath FOLDER listed, as if it had been picked; "varnok
// ARCHIVE" opens the archive window instead (and ends with status 1, after
// a message, when the archive can't be read). The program runs until its
// last window has closed. --help,
// --version and a wrong command line are answered without the dialog
// (command_line_answer.h), with the texts and exit statuses of the Linux
// program.

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "base/exit_status.h"
#include "platform/console.h"
#include "ui/core/command_line.h"
#include "ui/win32/archive_window.h"
#include "ui/win32/command_line_answer.h"
#include "ui/win32/dialog_prompts.h"
#include "ui/win32/main_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace varnok;
  const CommandLine commandLine =
      ParseCommandLine(CommandLineArguments(0, nullptr));
  if (commandLine.exitStatus) {
    ShowCommandLineAnswer(commandLine.out, commandLine.err);
    return *commandLine.exitStatus;
  }

  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                    ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // Rows dragged out of an archive window go through OLE.
  OleInitialize(nullptr);

  if (commandLine.archive) {
    if (CArchiveWindow::Open(instance, *commandLine.archive) == nullptr) {
      return kExitFailure;
    }
    return RunTopWindows();
  }

  CDialogPrompts prompts;
  CMainDialog dialog(instance, &prompts);
  if (dialog.Create() == nullptr) return 1;
  prompts.SetOwner(dialog.window());
  if (commandLine.folder) dialog.presenter().OpenFolder(*commandLine.folder);
  return RunTopWindows();
}
