// The main dialog of the Windows program: template IDD_MAIN_DIALOG, wired
// to the shared commands of CVarnokPresenter.
//
// The dialog is modeless, so that its owner runs the message loop (Run, or
// a test that drives it with window messages). Escape, Enter while no push
// button has the focus and the close box end it, except while a scan or a
// pack runs. A folder dropped on it from Explorer is a confirmed selection;
// the hint over a row shows the name its file is stored under.

#ifndef VARNOK_UI_WIN32_MAIN_DIALOG_H_
#define VARNOK_UI_WIN32_MAIN_DIALOG_H_

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/core/dialog_view.h"
#include "ui/core/varnok_presenter.h"

namespace varnok {

class Prompts;

class CMainDialog final : public DialogView {
 public:
  // prompts must outlive the dialog.
  CMainDialog(HINSTANCE instance, Prompts* prompts);
  ~CMainDialog() override;
  CMainDialog(const CMainDialog&) = delete;
  CMainDialog& operator=(const CMainDialog&) = delete;

  // Creates the window with its start values and the focus on the pack
  // button. Null when the system could not.
  HWND Create();
  // Serves the thread's messages until the dialog has ended; the program's
  // exit code.
  int Run();
  // Passes one message on as the dialog's message loop does.
  void Dispatch(MSG* message);

  HWND window() const { return window_; }
  CVarnokPresenter& presenter() { return presenter_; }

  // DialogView.
  void ShowRows(const std::vector<std::string>& rows) override;
  std::string BasePath() const override;
  void SetBasePath(const std::string& basePath) override;
  bool CompressChecked() const override;
  void SetCompressChecked(bool checked) override;
  Status RunInBackground(const std::function<void()>& work,
                         CRunMonitor* monitor) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam,
                                   LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR dialog);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit();
  bool OnCommand(int id, int code);
  void OnDrop(HDROP drop);
  void OnHint(NMTTDISPINFOW* hint);
  bool PaintMinimised();
  // Ends the dialog, unless a scan or a pack runs.
  void End();

  HINSTANCE instance_;
  CVarnokPresenter presenter_;
  HWND window_ = nullptr;
  HWND tooltip_ = nullptr;
  int hintRow_ = -1;  // the row the hint was last asked for
  std::wstring hint_;
};

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_MAIN_DIALOG_H_
