// varnok.exe: the desktop dialog on Windows.

#include <windows.h>
#include <commctrl.h>

#include "ui/win32/dialog_prompts.h"
#include "ui/win32/main_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                    ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  varnok::CDialogPrompts prompts;
  varnok::CMainDialog dialog(instance, &prompts);
  if (dialog.Create() == nullptr) return 1;
  prompts.SetOwner(dialog.window());
  return dialog.Run();
}
