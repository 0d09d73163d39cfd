// The main dialog of the Windows program: template IDD_MAIN_DIALOG, wired
// to the shared commands of CVarnokPresenter.
//
// The dialog is modeless, one of the program's top-level windows
// (top_windows.h), so that the shared message loop runs it (or a test that
// drives it with window messages). Escape, Enter while no push button has
// the focus and the close box end it, except while a scan or a pack runs.
// A folder dropped on it from Explorer is a confirmed selection; archives
// dropped on it, and the one Ctrl+O asks for, open in archive windows of
// their own; the hint over a row shows the name its file is stored under.

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
#include "ui/win32/top_windows.h"

namespace varnok {

class Prompts;
class WindowPrompts;

class CMainDialog final : public DialogView, public KeyboardInput {
 public:
  // prompts must outlive the dialog; windowPrompts, when given, answers
  // the archive windows' questions and must outlive them (null: the user
  // does).
  CMainDialog(HINSTANCE instance, Prompts* prompts,
              WindowPrompts* windowPrompts = nullptr);
  ~CMainDialog() override;
  CMainDialog(const CMainDialog&) = delete;
  CMainDialog& operator=(const CMainDialog&) = delete;

  // Creates the window with its start values and the focus on the pack
  // button. Null when the system could not.
  HWND Create();
  // Passes one message on as the program's message loop does.
  void Dispatch(MSG* message) { DispatchToWindows(message); }

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

  // KeyboardInput: Ctrl+O, then the dialog's keys.
  bool TranslateKeys(MSG* message) override;

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
  WindowPrompts* windowPrompts_;
  CVarnokPresenter presenter_;
  HACCEL keys_ = nullptr;
  HWND window_ = nullptr;
  HWND tooltip_ = nullptr;
  int hintRow_ = -1;  // the row the hint was last asked for
  std::wstring hint_;
};

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_MAIN_DIALOG_H_
