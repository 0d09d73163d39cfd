// The folder picker: the system's open dialog, Explorer style, turned into
// a dialog that shows folders alone and answers the folder on display.
//
// Once the dialog is up, its file-name and file-type rows are hidden, its OK
// button stands 4 pixels left of Cancel and reads "Select", the folder list
// reaches down to 4 pixels above the buttons and the caption reads "Choose
// folder". Select answers the folder on display, whatever is highlighted in
// the list; on a place that is no folder of the file system ("This PC",
// "Network") it only beeps, and the picker stays. Enter in the list still
// opens the highlighted folder. The dialog starts in the process's current
// folder and leaves the process in the folder it showed last.

#ifndef VARNOK_UI_WIN32_FOLDER_DIALOG_H_
#define VARNOK_UI_WIN32_FOLDER_DIALOG_H_

#include <windows.h>

#include <string>

namespace varnok {

class CFolderDialog {
 public:
  // owner may be null; it takes no input while the picker runs.
  explicit CFolderDialog(HWND owner) : owner_(owner) {}
  CFolderDialog(const CFolderDialog&) = delete;
  CFolderDialog& operator=(const CFolderDialog&) = delete;

  // Runs the picker. IDOK when the user pressed Select, with the folder on
  // display, whatever its length, in *folder; IDCANCEL when the user
  // cancelled or closed the picker, with *folder untouched.
  INT_PTR DoModal(std::wstring* folder);

 private:
  static UINT_PTR CALLBACK HookProc(HWND hook, UINT message, WPARAM wParam,
                                    LPARAM lParam);
  // The open dialog's own window procedure, subclassed per window: each
  // picker keeps its state in its own object, none in the process.
  static LRESULT CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                     LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR picker);
  void OnInitDone(HWND dialog);
  void FocusFolderList(HWND dialog);
  bool OnSelect(HWND dialog);

  HWND owner_;
  std::wstring chosen_;
  bool selected_ = false;
};

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_FOLDER_DIALOG_H_
