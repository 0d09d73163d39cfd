#include "ui/qt/archive_window.h"

#include <algorithm>
#include <optional>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QUrl>
#include <QMimeData>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/core/dialog_messages.h"
#include "ui/core/window_messages.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/archive_model.h"
#include "ui/qt/dropped_paths.h"
#include "ui/qt/path_text.h"
#include "ui/qt/run_progress.h"
#include "ui/qt/window_prompts.h"

namespace varnok {
namespace {

namespace texts = window_messages;

// The widest texts of the columns after the name, which set their widths.
constexpr const char* kWidestTexts[kArchiveColumnCount] = {
    "", "1023.9 MiB", "1023.9 MiB", "100.0%", "deflated", "ffffffff"};
// Room around a column's text, in pixels.
constexpr int kColumnMargin = 24;

}  // namespace

CArchiveWindow* CArchiveWindow::Open(const std::string& path,
                                     WindowPrompts* prompts,
                                     QWidget* messageParent) {
  auto table = std::make_unique<CArchiveTable>();
  const Status status = table->Open(path);
  if (!status.ok()) {
    const Message message = FailureMessage(status);
    CQtWindowPrompts own(messageParent);
    (prompts != nullptr ? prompts : &own)
        ->ShowMessage(message.text, message.informative);
    return nullptr;
  }
  auto* window = new CArchiveWindow(std::move(table), prompts);
  window->show();
  return window;
}

CArchiveWindow* CArchiveWindow::AskAndOpen(WindowPrompts* prompts,
                                           QWidget* messageParent) {
  CQtWindowPrompts own(messageParent);
  WindowPrompts* asking = prompts != nullptr ? prompts : &own;
  const std::optional<std::string> path = asking->ChooseArchiveToOpen();
  if (!path) return nullptr;
  return Open(*path, prompts, messageParent);
}

CArchiveWindow::CArchiveWindow(std::unique_ptr<CArchiveTable> table,
                               WindowPrompts* prompts)
    : table_(std::move(table)),
      ownPrompts_(prompts != nullptr
                      ? nullptr
                      : std::make_unique<CQtWindowPrompts>(this)),
      prompts_(prompts != nullptr ? prompts : ownPrompts_.get()),
      commands_(*table_, *prompts_, *this),
      edits_(*table_, *prompts_, *this) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAcceptDrops(true);
  setWindowTitle(FromPath(table_->Title()));
  setWindowIcon(LoadAppIcon());
  BuildControls();
  BuildMenus();
  BuildExtractMenu();
  UpdateStatus();
  resize(fontMetrics().averageCharWidth() * 130,
         fontMetrics().height() * 36);
}

CArchiveWindow::~CArchiveWindow() = default;

void CArchiveWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QString::fromUtf8(texts::kFileMenu));
  file->addAction(QString::fromUtf8(texts::kOpenCommand), QKeySequence::Open,
                  this, &CArchiveWindow::OpenAnother);
  file->addSeparator();
  file->addAction(QString::fromUtf8(texts::kCloseCommand), QKeySequence::Close,
                  this, &QWidget::close);
  QMenu* edit = menuBar()->addMenu(QString::fromUtf8(texts::kEditMenu));
  edit->addAction(QString::fromUtf8(texts::kCopyNamesCommand),
                  QKeySequence::Copy, this, &CArchiveWindow::CopyNames);
  edit->addAction(QString::fromUtf8(texts::kSelectAllCommand),
                  QKeySequence::SelectAll, tableView_, &QTableView::selectAll);
  BuildChangeCommands(edit);
  QMenu* view = menuBar()->addMenu(QString::fromUtf8(texts::kViewMenu));
  view->addAction(QString::fromUtf8(texts::kArchiveOrderCommand), this, [this] {
    ChangeKeepingSelection([this] { table_->RestoreArchiveOrder(); });
    ShowSortOrder();
  });
}

void CArchiveWindow::BuildChangeCommands(QMenu* edit) {
  edit->addSeparator();
  // The filter field keeps Delete for its text while it has the focus.
  edit->addAction(QString::fromUtf8(texts::kDeleteCommand),
                  QKeySequence::Delete, this,
                  [this] { edits_.DeleteSelected(); });
  edit->addAction(QString::fromUtf8(texts::kRenameCommand),
                  QKeySequence(Qt::Key_F2), this, &CArchiveWindow::EditName);
  edit->addSeparator();
  compressAction_ =
      edit->addAction(QString::fromUtf8(texts::kCompressAddedCommand));
  compressAction_->setCheckable(true);
  compressAction_->setChecked(CompressChosen());
  connect(compressAction_, &QAction::triggered, this, &ChooseCompress);
  compressWatch_ = std::make_unique<CCompressWatch>(
      [this](bool compress) { compressAction_->setChecked(compress); });
  // The edited name is taken once the editor has closed.
  model_->SetRenamer([this](size_t entry, const std::string& name) {
    QTimer::singleShot(0, this, [this, entry, name] {
      edits_.Rename(entry, name);
    });
  });
}

void CArchiveWindow::EditName() {
  const QModelIndex current = tableView_->currentIndex();
  if (!current.isValid()) return;
  const QModelIndex name = current.sibling(current.row(), 0);
  tableView_->setCurrentIndex(name);
  tableView_->edit(name);
}

void CArchiveWindow::BuildTableView(QWidget* parent) {
  tableView_ = new CEntryTableView(parent);
  model_ = new CArchiveModel(table_.get(), this);
  tableView_->setModel(model_);
  tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tableView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tableView_->setShowGrid(false);
  tableView_->setWordWrap(false);
  tableView_->setTextElideMode(Qt::ElideMiddle);
  tableView_->setTabKeyNavigation(false);
  tableView_->setDragEnabled(true);
  tableView_->setDragDropMode(QAbstractItemView::DragOnly);
  tableView_->verticalHeader()->hide();
  // Fixed row heights and column widths: nothing is measured per row, so
  // that 65535 rows show at once.
  tableView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  tableView_->verticalHeader()->setDefaultSectionSize(
      fontMetrics().height() + 6);
  QHeaderView* header = tableView_->horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < kArchiveColumnCount; ++column) {
    const int text = std::max(
        fontMetrics().horizontalAdvance(QString::fromUtf8(kWidestTexts[column])),
        fontMetrics().horizontalAdvance(
            QString::fromUtf8(texts::kColumnTitles[column])));
    header->resizeSection(column, text + kColumnMargin);
  }
  tableView_->SetDragSource([this] {
    QList<QUrl> urls;
    for (const std::string& copy :
         commands_.MakeCopies(EntriesIn(*table_, EntryScope::kSelected))) {
      urls.append(QUrl::fromLocalFile(FromPath(copy)));
    }
    return urls;
  });
}

void CArchiveWindow::BuildControls() {
  auto* central = new QWidget(this);
  auto* label = new QLabel(QString::fromUtf8(texts::kFilterLabel), central);
  filterEdit_ = new QLineEdit(central);
  filterEdit_->setPlaceholderText(QString::fromUtf8(texts::kFilterHint));
  filterEdit_->setClearButtonEnabled(true);
  label->setBuddy(filterEdit_);
  BuildTableView(central);

  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(label);
  filterRow->addWidget(filterEdit_);
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(filterRow);
  layout->addWidget(tableView_);
  setCentralWidget(central);
  setTabOrder(filterEdit_, tableView_);

  shownLabel_ = new QLabel(statusBar());
  selectionLabel_ = new QLabel(statusBar());
  statusBar()->addWidget(shownLabel_, 1);
  statusBar()->addPermanentWidget(selectionLabel_);

  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated,
          filterEdit_, [this] {
            filterEdit_->setFocus(Qt::ShortcutFocusReason);
            filterEdit_->selectAll();
          });
  connect(tableView_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &CArchiveWindow::OnHeaderClicked);
  connect(filterEdit_, &QLineEdit::textChanged, this,
          [this](const QString& text) {
            const std::string filter = ToPath(text);
            ChangeKeepingSelection([this, &filter] {
              table_->SetFilter(filter);
            });
          });
  connect(tableView_, &QAbstractItemView::activated, this,
          [this](const QModelIndex& index) { OpenEntry(index.row()); });
  connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged,
          this, &CArchiveWindow::OnSelectionChanged);
  tableView_->setFocus();
}

void CArchiveWindow::OnSelectionChanged(const QItemSelection& selected,
                                        const QItemSelection& deselected) {
  if (restoringSelection_) return;
  for (const QItemSelectionRange& range : deselected) {
    table_->SelectRows(static_cast<size_t>(range.top()),
                       static_cast<size_t>(range.bottom()), false);
  }
  for (const QItemSelectionRange& range : selected) {
    table_->SelectRows(static_cast<size_t>(range.top()),
                       static_cast<size_t>(range.bottom()), true);
  }
  UpdateStatus();
}

void CArchiveWindow::ChangeKeepingSelection(
    const std::function<void()>& change) {
  const QModelIndex current = tableView_->currentIndex();
  const std::optional<size_t> currentEntry =
      current.isValid()
          ? std::optional(table_->EntryAt(static_cast<size_t>(current.row())))
          : std::nullopt;
  restoringSelection_ = true;
  model_->Change(change);

  // The selected rows as ranges of neighbours, one selection range each.
  const std::vector<size_t> rows = table_->SelectedRows();
  QItemSelection selection;
  const int last = kArchiveColumnCount - 1;
  for (size_t i = 0; i < rows.size();) {
    size_t j = i;
    while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
    selection.select(model_->index(static_cast<int>(rows[i]), 0),
                     model_->index(static_cast<int>(rows[j]), last));
    i = j + 1;
  }
  QItemSelectionModel* selecting = tableView_->selectionModel();
  if (currentEntry) {
    if (const std::optional<size_t> row = table_->RowOf(*currentEntry)) {
      selecting->setCurrentIndex(model_->index(static_cast<int>(*row), 0),
                                 QItemSelectionModel::NoUpdate);
    }
  }
  selecting->select(selection, QItemSelectionModel::ClearAndSelect);
  restoringSelection_ = false;
  UpdateStatus();
}

void CArchiveWindow::OnHeaderClicked(int section) {
  ChangeKeepingSelection(
      [this, section] { table_->SortBy(static_cast<ArchiveColumn>(section)); });
  ShowSortOrder();
  const QModelIndex current = tableView_->currentIndex();
  if (current.isValid()) tableView_->scrollTo(current);
}

void CArchiveWindow::ShowSortOrder() {
  QHeaderView* header = tableView_->horizontalHeader();
  const SortOrder& order = table_->sortOrder();
  header->setSortIndicatorShown(order.column.has_value());
  if (order.column) {
    header->setSortIndicator(
        static_cast<int>(*order.column),
        order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  }
}

void CArchiveWindow::UpdateStatus() {
  shownLabel_->setText(FromPath(table_->ShownText()));
  selectionLabel_->setText(
      FromPath(table_->SelectionText(table_->SelectedRows())));
}

void CArchiveWindow::CopyNames() {
  const std::vector<size_t> rows = table_->SelectedRows();
  if (rows.empty()) return;
  QApplication::clipboard()->setText(FromPath(table_->NamesText(rows)));
}

void CArchiveWindow::OpenAnother() { AskAndOpen(prompts_, this); }

void CArchiveWindow::SetEngine(std::unique_ptr<EntryEngine> engine) {
  commands_.SetEngine(std::move(engine));
  for (QAction* action : engineActions_) {
    action->setEnabled(commands_.hasEngine());
  }
}

void CArchiveWindow::BuildExtractMenu() {
  QMenu* menu = menuBar()->addMenu(QString::fromUtf8(texts::kExtractMenu));
  const auto add = [this, menu](const char* text, const QKeySequence& keys,
                                const std::function<void()>& command) {
    QAction* action = menu->addAction(QString::fromUtf8(text), keys, this,
                                      command);
    engineActions_.push_back(action);
  };
  add(texts::kExtractSelectedCommand, QKeySequence(Qt::CTRL | Qt::Key_E),
      [this] { Extract(EntryScope::kSelected); });
  add(texts::kExtractShownCommand, QKeySequence(),
      [this] { Extract(EntryScope::kShown); });
  add(texts::kExtractAllCommand, QKeySequence(),
      [this] { Extract(EntryScope::kAll); });
  menu->addSeparator();
  withoutFolders_ =
      menu->addAction(QString::fromUtf8(texts::kWithoutFoldersCommand));
  withoutFolders_->setCheckable(true);
  menu->addSeparator();
  add(texts::kOpenEntryCommand, QKeySequence(),
      [this] { OpenEntry(tableView_->currentIndex().row()); });
  add(texts::kVerifyCommand, QKeySequence(Qt::CTRL | Qt::Key_T),
      [this] { commands_.Verify(); });
}

Status CArchiveWindow::RunInBackground(CRunMonitor& monitor,
                                       const std::function<void()>& run) {
  return RunShowingProgress(this, run, &monitor);
}

void CArchiveWindow::ChangeTable(const std::function<void()>& change) {
  ChangeKeepingSelection(change);
}

void CArchiveWindow::Extract(EntryScope scope) {
  commands_.Extract(scope, withoutFolders_->isChecked());
}

void CArchiveWindow::OpenEntry(int row) {
  if (row < 0) return;
  const std::vector<std::string> copies =
      commands_.MakeCopies({table_->EntryAt(static_cast<size_t>(row))});
  if (!copies.empty()) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(copies.front())));
  }
}

void CArchiveWindow::dragEnterEvent(QDragEnterEvent* event) {
  dragMoveEvent(event);
}

void CArchiveWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedPaths(event->mimeData()).empty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CArchiveWindow::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = DroppedPaths(event->mimeData());
  if (paths.empty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (UseOfDrop(paths) == DropUse::kOpen) {
    for (const std::string& archive : paths) Open(archive, prompts_, this);
    return;
  }
  // Added once the drag has ended, so that its source is not kept waiting.
  QTimer::singleShot(0, this, [this, paths] { edits_.Add(paths); });
}

}  // namespace varnok
