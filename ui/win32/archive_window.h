// The archive window of the Windows program: an open archive's entries in
// a virtual report list view, a filter field above it and the totals in the
// status bar. What it shows and in what order is CArchiveTable's
// (ui/core/archive_table.h); the window draws and forwards input.
//
// The list view owns no rows (LVS_OWNERDATA): it asks for a cell's text as
// it paints it, so that 65535 entries show at once. Clicking a column's
// header sorts by it, again reverses, a third time returns to archive order
// (as View > Archive Order does). Typing in the filter narrows the rows; the
// selection keeps the entries still shown. Ctrl+O (File > Open...) and
// archives dropped on the window open further windows; Ctrl+C copies the
// selected names, one a line; Ctrl+A selects every row shown; Ctrl+F (or
// Alt+T) goes to the filter; Ctrl+W closes; Tab goes between the filter and
// the list; keys typed in the list go to the next name they start.
//
// Extract takes the selected entries (Ctrl+E), those shown or all into a
// folder picked with the packing dialog's picker, asking once about files
// in the way; Verify (Ctrl+T) checks every entry and marks the damaged ones
// in red, with the reason as the row's hint. Enter or a double-click opens
// an entry with the shell's program for its type, and rows dragged out
// become files: both through temporary copies, which go when the window
// closes. The engine's runs show their progress after half a second, with
// Cancel.
//
// Files and folders dropped on the window are added to the archive (a drop
// of archives alone opens them instead), Delete deletes the selected
// entries, F2 edits the focused entry's name in the list (CArchiveEdits);
// each change is written at once, and the list shows the archive as it is
// then. Edit > Compress Added Files shows and sets the program's compress
// option (compress_choice.h), which decides whether added files are
// deflated.
//
// Each window is a top-level window of its own (top_windows.h) and deletes
// itself when it is destroyed.

#ifndef VARNOK_UI_WIN32_ARCHIVE_WINDOW_H_
#define VARNOK_UI_WIN32_ARCHIVE_WINDOW_H_

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/core/archive_edits.h"
#include "ui/core/archive_table.h"
#include "ui/core/entry_runs.h"
#include "ui/core/entry_commands.h"
#include "ui/core/window_prompts.h"
#include "ui/win32/top_windows.h"

namespace varnok {

class CArchiveWindow final : public KeyboardInput, private EntryRunner {
 public:
  CArchiveWindow(const CArchiveWindow&) = delete;
  CArchiveWindow& operator=(const CArchiveWindow&) = delete;

  // Opens the archive at path (full, or relative to the current folder) in
  // a new window, shown and active. A damaged or foreign file gets a
  // message naming it and the reader's reason, owned by messageOwner, and
  // no window: null is returned, as when the system can't make the window.
  // prompts answers the window's questions; null means the user does. A
  // given prompts must outlive the window.
  static CArchiveWindow* Open(HINSTANCE instance, const std::string& path,
                              WindowPrompts* prompts = nullptr,
                              HWND messageOwner = nullptr);
  // Asks for an archive and opens it as Open does; null when the user gave
  // up or it could not be opened.
  static CArchiveWindow* AskAndOpen(HINSTANCE instance, WindowPrompts* prompts,
                                    HWND messageOwner);
  // The object behind a window Open made; null for any other window.
  static CArchiveWindow* FromWindow(HWND window);

  HWND window() const { return window_; }
  HWND list() const { return list_; }
  HWND filterEdit() const { return filter_; }
  HWND statusBar() const { return status_; }
  CArchiveTable& table() { return *table_; }

  // Replaces the engine the commands that read entries run (by default
  // MakeEntryEngine's); null turns those commands off.
  void SetEngine(std::unique_ptr<EntryEngine> engine);

  // KeyboardInput: the window's shortcuts, then Tab and access keys.
  bool TranslateKeys(MSG* message) override;

 private:
  CArchiveWindow(HINSTANCE instance, std::unique_ptr<CArchiveTable> table,
                 WindowPrompts* prompts);
  ~CArchiveWindow() override;

  bool Create();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void CreateControls();
  void SetUpColumns();
  void Layout();
  LRESULT OnNotify(NMHDR* header);
  void OnCommand(int id);
  // Checks the menus' options as they are, before a menu opens: Without
  // Their Folders, the window's own, and Compress Added Files, the
  // program's, which other windows and the packing dialog set too.
  void CheckOptions() const;
  void OnDisplayInfo(NMLVDISPINFOW* info) const;
  // The list's search as the user types in it: the first row from the one
  // given (around the end when asked) whose name starts with the keys
  // typed, in either case; -1 for none.
  LRESULT FindRow(const NMLVFINDITEMW& find) const;
  // Tells the table that rows first to last were selected or cleared.
  void OnSelectionChange(int first, int last, UINT oldState, UINT newState);
  // Runs change on the table, then shows its rows and its selection (the
  // entries selected that are still shown) again, with the focus on the
  // entry that had it when it is still shown.
  void ChangeKeepingSelection(const std::function<void()>& change);
  // Selects or clears rows in the list view, which shows no other row
  // selected (when selecting) or exactly these (when clearing).
  void SetRowsSelected(const std::vector<size_t>& rows, bool selected);
  void OnFilterChanged();
  // Handles WM_NEXTDLGCTL.
  void MoveFocus(WPARAM wParam, LPARAM lParam);
  void FocusFilter();
  void ShowSortOrder();
  void UpdateStatus();
  void CopyNames();
  void OnDrop(HDROP drop);
  // The list's editing of a name: any name may be edited; an edited one
  // is renamed once the editing has ended (WM_APP_RENAME).
  LRESULT OnLabelEdit(NMLVDISPINFOW* info);
  // Red text for the rows of damaged entries.
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) const;
  void OnInfoTip(NMLVGETINFOTIPW* tip) const;

  // Grays the commands that run the engine when there is none.
  void EnableEngineCommands();
  // Opens the entry row shows with the shell's program for its type.
  void OpenEntry(int row);
  // Drags the selected entries out as files.
  void DragOut();
  // EntryRunner: the packing dialog's background runs with their progress
  // window, and the list view redrawn.
  Status RunInBackground(CRunMonitor& monitor,
                         const std::function<void()>& run) override;
  void ChangeTable(const std::function<void()>& change) override;
  // The prompts Open was given, for the windows this one opens: null when
  // the user answers, as the window's own prompts go with it.
  WindowPrompts* givenPrompts() const {
    return prompts_ == ownPrompts_.get() ? nullptr : prompts_;
  }

  HINSTANCE instance_;
  std::unique_ptr<CArchiveTable> table_;
  std::unique_ptr<WindowPrompts> ownPrompts_;
  WindowPrompts* prompts_;
  // Made with the window, once the prompts are known.
  std::unique_ptr<CEntryCommands> commands_;
  std::unique_ptr<CArchiveEdits> edits_;
  // The entry whose name was edited, and the text, until it is renamed.
  size_t renamedEntry_ = 0;
  std::string renamedText_;
  bool withoutFolders_ = false;
  HWND window_ = nullptr;
  HWND label_ = nullptr;
  HWND filter_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  HFONT font_ = nullptr;
  HACCEL keys_ = nullptr;
  // The control that had the focus when the window was last deactivated.
  HWND focus_ = nullptr;
  // Set while the list view's selection is being made from the table's.
  bool restoringSelection_ = false;
};

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_ARCHIVE_WINDOW_H_
