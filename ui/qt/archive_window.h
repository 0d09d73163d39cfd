// The archive window: an open archive's entries in a table, a filter field
// above it and the totals in the status line. What it shows and in what
// order is CArchiveTable's (ui/core/archive_table.h); the window draws and
// forwards input.
//
// Clicking a column's header sorts by it, again reverses, a third time
// returns to archive order (as View > Archive Order does). Typing in the
// filter narrows the rows; the selection keeps the entries still shown.
// Ctrl+O (File > Open...) and archives dropped on the window open further
// windows; Ctrl+C copies the selected names, one a line; Ctrl+F (or
// Alt+T) goes to the filter; Ctrl+W closes.
//
// Extract takes the selected entries, those shown or all into a folder
// picked with the packing dialog's picker, asking once about files in the
// way; Verify checks every entry and marks the damaged ones. Enter or a
// double-click opens an entry with the desktop's program for its type, and
// rows dragged out become files: both through temporary copies, which go
// when the window closes. The engine's runs show their progress after half
// a second, with Cancel.
//
// Files and folders dropped on the window are added to the archive (a drop
// of archives alone opens them instead), Delete deletes the selected
// entries, F2 edits the current entry's name in place (CArchiveEdits); each
// change is written at once, and the table shows the archive as it is then.
// Edit > Compress Added Files shows and sets the program's compress option
// (compress_choice.h), which decides whether added files are deflated.
//
// Each window deletes itself when it is closed.

#ifndef VARNOK_UI_QT_ARCHIVE_WINDOW_H_
#define VARNOK_UI_QT_ARCHIVE_WINDOW_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "ui/core/archive_edits.h"
#include "ui/core/archive_table.h"
#include "ui/core/compress_choice.h"
#include "ui/core/entry_runs.h"
#include "ui/core/entry_commands.h"
#include "ui/core/window_prompts.h"
#include "ui/qt/entry_table_view.h"

class QItemSelection;
class QLabel;
class QAction;
class QLineEdit;
class QMenu;

namespace varnok {

class CArchiveModel;

class CArchiveWindow : public QMainWindow, private EntryRunner {
  Q_OBJECT

 public:
  ~CArchiveWindow() override;

  // Opens the archive at path (full, or relative to the current folder) in
  // a new window, shown. A damaged or foreign file gets a message naming it
  // and the reader's reason, over messageParent, and no window: null is
  // returned. prompts answers the window's questions; null means the user
  // does. A given prompts must outlive the window.
  static CArchiveWindow* Open(const std::string& path,
                              WindowPrompts* prompts = nullptr,
                              QWidget* messageParent = nullptr);
  // Asks for an archive and opens it as Open does; null when the user gave
  // up or it could not be opened.
  static CArchiveWindow* AskAndOpen(WindowPrompts* prompts = nullptr,
                                    QWidget* messageParent = nullptr);

  // Replaces the engine the commands that read entries run (by default
  // MakeEntryEngine's); null turns those commands off.
  void SetEngine(std::unique_ptr<EntryEngine> engine);

  CArchiveTable& table() { return *table_; }
  CEntryTableView* tableView() const { return tableView_; }
  QLineEdit* filterEdit() const { return filterEdit_; }
  // The status line's texts: the rows shown, and the selection.
  QLabel* shownLabel() const { return shownLabel_; }
  QLabel* selectionLabel() const { return selectionLabel_; }
  QAction* compressAction() const { return compressAction_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  CArchiveWindow(std::unique_ptr<CArchiveTable> table, WindowPrompts* prompts);

  void BuildMenus();
  void BuildControls();
  // The table, its header and its drag source, in parent.
  void BuildTableView(QWidget* parent);
  // Runs change on the table as one reset of the model, then shows the
  // table's selection (the entries selected that are still shown) again.
  void ChangeKeepingSelection(const std::function<void()>& change);
  // Tells the table what the user selected and cleared.
  void OnSelectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected);
  void OnHeaderClicked(int section);
  void ShowSortOrder();
  void UpdateStatus();
  void CopyNames();
  void OpenAnother();
  void BuildExtractMenu();
  // The Edit menu's changes to the archive, and the renames of the table.
  void BuildChangeCommands(QMenu* edit);
  // Edits the current row's name in place.
  void EditName();
  void Extract(EntryScope scope);
  // Opens the entry row shows with the desktop's program for its type.
  void OpenEntry(int row);
  // EntryRunner: the progress window of the packing dialog's runs, and the
  // model's reset.
  Status RunInBackground(CRunMonitor& monitor,
                         const std::function<void()>& run) override;
  void ChangeTable(const std::function<void()>& change) override;

  std::unique_ptr<CArchiveTable> table_;
  std::unique_ptr<WindowPrompts> ownPrompts_;
  WindowPrompts* prompts_;
  CEntryCommands commands_;
  CArchiveEdits edits_;
  CArchiveModel* model_ = nullptr;
  QLineEdit* filterEdit_ = nullptr;
  CEntryTableView* tableView_ = nullptr;
  // The commands that run the engine, and the option of extractions.
  std::vector<QAction*> engineActions_;
  QAction* withoutFolders_ = nullptr;
  // Edit > Compress Added Files, checked while the option is on.
  QAction* compressAction_ = nullptr;
  std::unique_ptr<CCompressWatch> compressWatch_;
  QLabel* shownLabel_ = nullptr;
  QLabel* selectionLabel_ = nullptr;
  // Set while the view's selection is being made from the table's.
  bool restoringSelection_ = false;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_ARCHIVE_WINDOW_H_
