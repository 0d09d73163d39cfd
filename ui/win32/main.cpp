// varnok.exe: the desktop dialog on Windows. "varnok FOLDER" opens it with
// the files beneath FOLDER listed, as if it had been picked.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "ui/win32/dialog_prompts.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/wide_text.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                    ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  varnok::CDialogPrompts prompts;
  varnok::CMainDialog dialog(instance, &prompts);
  if (dialog.Create() == nullptr) return 1;
  prompts.SetOwner(dialog.window());

  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments != nullptr && count == 2) {
    dialog.presenter().OpenFolder(varnok::Narrow(arguments[1]));
  }
  LocalFree(arguments);
  return dialog.Run();
}
