// The archive window, opened as a user opens it (the command line, a drop
// on the packing dialog or on another archive window) and used from the
// keyboard, over archives built here.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "base/messages.h"
#include "archive/archive_reader.h"
#include "base/sizes.h"
#include "tests/archive/test_archive.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/entry_engines.h"
#include "tests/ui/gated_runs.h"
#include "tests/ui/scripted_prompts.h"
#include "ui/core/window_prompts.h"
#include "ui/qt/app.h"
#include "ui/qt/archive_window.h"
#include "ui/qt/file_list.h"
#include "ui/qt/manual_check_box.h"
#include "ui/qt/main_dialog.h"

using namespace varnok;

namespace {

using test::GatedEngine;
using test::RecordingEngine;
using test::ScriptedWindowPrompts;

// The archive windows on screen.
std::vector<CArchiveWindow*> OpenWindows() {
  std::vector<CArchiveWindow*> windows;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* window = qobject_cast<CArchiveWindow*>(widget);
    if (window != nullptr && window->isVisible()) windows.push_back(window);
  }
  return windows;
}

// The window titled for the archive file name, or null.
CArchiveWindow* WindowOf(const QString& name) {
  for (CArchiveWindow* window : OpenWindows()) {
    if (window->windowTitle() == name + " - Varnok") return window;
  }
  return nullptr;
}

// A column's texts, row by row, as the table view shows them.
QStringList Column(const CArchiveWindow* window, int column = 0) {
  QStringList texts;
  const QAbstractItemModel* model = window->tableView()->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    texts.append(model->index(row, column).data().toString());
  }
  return texts;
}

// Drops path on target as a file manager does; true when it was taken.
bool Drop(QWidget* target, const std::string& path) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton,
                     Qt::NoModifier);
  QApplication::sendEvent(target, &dropped);
  return dropped.isAccepted();
}

// The stored names of the archive at path, in its order.
QStringList StoredNames(const std::string& path) {
  CArchiveReader reader;
  QStringList names;
  if (!reader.Open(path).ok()) return names;
  for (const ArchiveEntry& entry : reader.entries()) {
    names.append(QString::fromStdString(entry.name));
  }
  return names;
}

void CloseAll() {
  for (CArchiveWindow* window : OpenWindows()) window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class ArchiveWindowTest : public QObject {
  Q_OBJECT

 public:
  explicit ArchiveWindowTest(CVarnokApp* app) : app_(app) {}

 private slots:
  void init();
  void cleanup() { CloseAll(); }
  void commandLineOpensAWindowOrNamesTheFault();
  void dropsOpenFurtherWindows();
  void filterKeepsTheSelectionAndCtrlCCopiesItsNames();
  void extractAsksOnceAndVerifyMarksTheDamaged();
  void extractsTheSelectionByteForByteOrCancels();
  void dropDeleteAndF2ChangeTheArchive();

 private:
  std::string Archive(const std::string& name) const {
    return (temp_->path() / name).string();
  }

  CVarnokApp* app_;
  std::optional<test::TempFolder> temp_;
};

// The entries of mod.kzf, in archive order.
const QStringList kNames = {"data/maps/forest.map", "data/textures/hero.png",
                            "data/textures/orc.png", "data/scripts/main.lua"};

void ArchiveWindowTest::init() {
  temp_.emplace();
  std::vector<test::TestEntry> entries;
  for (const QString& name : kNames) {
    entries.push_back(test::Deflated(name.toStdString(),
                                     test::Text(400 + 100 * entries.size())));
  }
  const std::string archive = test::BuildArchive(entries);
  test::WriteFile(Archive("mod.kzf"), archive);
  test::WriteFile(Archive("renamed.dat"), archive);
  test::WriteFile(Archive("bad.kzf"), archive.substr(0, archive.size() - 1));
}

void ArchiveWindowTest::commandLineOpensAWindowOrNamesTheFault() {
  ScriptedWindowPrompts prompts;
  QStringList listed;
  QTimer::singleShot(0, app_, [&listed] {
    if (CArchiveWindow* window = WindowOf("mod.kzf")) {
      listed = Column(window);
      window->close();  // the last window: the run ends
    }
  });
  QCOMPARE(app_->RunArchive(Archive("mod.kzf"), &prompts), 0);
  QCOMPARE(listed, kNames);
  QVERIFY(prompts.messages.empty());

  QCOMPARE(app_->RunArchive(Archive("bad.kzf"), &prompts), 1);
  QVERIFY(OpenWindows().empty());
  QCOMPARE(prompts.messages.size(), size_t{1});
  const std::string& message = prompts.messages.front();
  QVERIFY2(message.rfind(std::string(messages::kDamagedArchive) + "\n" +
                             Archive("bad.kzf") + ": ",
                         0) == 0,
           message.c_str());
}

void ArchiveWindowTest::dropsOpenFurtherWindows() {
  CVarnokDlg dialog;
  dialog.show();
  QVERIFY(Drop(dialog.fileList()->viewport(), Archive("mod.kzf")));
  CArchiveWindow* first = WindowOf("mod.kzf");
  QVERIFY(first != nullptr);
  QCOMPARE(Column(first), kNames);
  QCOMPARE(first->shownLabel()->text(),
           QString("4 entries, 2.1 KiB (%1 packed)")
               .arg(QString::fromStdString(
                   FormatSize(first->table().AllTotals().packed))));

  // A renamed archive is known by its first bytes.
  QVERIFY(Drop(first, Archive("renamed.dat")));
  QVERIFY(WindowOf("renamed.dat") != nullptr);
  QCOMPARE(OpenWindows().size(), size_t{2});
}

void ArchiveWindowTest::filterKeepsTheSelectionAndCtrlCCopiesItsNames() {
  ScriptedWindowPrompts prompts;
  CArchiveWindow* window = CArchiveWindow::Open(Archive("mod.kzf"), &prompts);
  QVERIFY(window != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(window));
  QTableView* table = window->tableView();
  table->setFocus();
  table->selectRow(0);
  QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
  QCOMPARE(window->selectionLabel()->text().left(21),
           QString("Selected: 3 entries, "));

  // Alt+T reaches the filter; a pattern narrows the rows to the images,
  // of which the two selected stay selected.
  QTest::keyClick(window, Qt::Key_T, Qt::AltModifier);
  QVERIFY(window->filterEdit()->hasFocus());
  QTest::keyClicks(window->filterEdit(), "*.png");
  QCOMPARE(Column(window),
           (QStringList{"data/textures/hero.png", "data/textures/orc.png"}));
  QCOMPARE(window->shownLabel()->text().left(20),
           QString("2 of 4 entries shown"));
  // Sorting by name, descending, keeps the same entries selected.
  QHeaderView* header = table->horizontalHeader();
  for (int click = 0; click < 2; ++click) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionPosition(0) + 5,
                             header->height() / 2));
  }
  QCOMPARE(Column(window),
           (QStringList{"data/textures/orc.png", "data/textures/hero.png"}));
  table->setFocus();
  QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QApplication::clipboard()->text(),
           QString("data/textures/orc.png\ndata/textures/hero.png\n"));
}

void ArchiveWindowTest::extractAsksOnceAndVerifyMarksTheDamaged() {
  ScriptedWindowPrompts prompts;
  CArchiveWindow* window = CArchiveWindow::Open(Archive("mod.kzf"), &prompts);
  QVERIFY(window != nullptr);
  auto owned = std::make_unique<RecordingEngine>();
  RecordingEngine* engine = owned.get();
  window->SetEngine(std::move(owned));
  QVERIFY(QTest::qWaitForWindowExposed(window));

  // The images, sorted by name descending, then selected: the engine gets
  // them in archive order; the one already in the folder is asked about.
  const std::string out = (temp_->path() / "out").string();
  std::filesystem::create_directories(out + "/data/textures");
  test::WriteFile(out + "/data/textures/orc.png", "mine");
  window->filterEdit()->setText("*.png");
  emit window->tableView()->horizontalHeader()->sectionClicked(0);
  window->tableView()->selectAll();
  prompts.folder = out;
  prompts.existing = ExistingAnswer::kKeep;
  QTest::keyClick(window->tableView(), Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(engine->extracted, (std::vector<size_t>{1, 2}));
  QCOMPARE(engine->choice.folder, out);
  QVERIFY(engine->choice.existing == ExistingAnswer::kKeep);
  QCOMPARE(prompts.messages,
           (std::vector<std::string>{
               "1 file already there in " + out +
                   "\ndata/textures/orc.png\n\nReplace them, keep the "
                   "existing ones, or cancel?",
               "2 files extracted to " + out + "\n"}));

  // Verify runs over every entry, and the damaged one's row turns red.
  prompts.messages.clear();
  window->filterEdit()->clear();
  QTest::keyClick(window->tableView(), Qt::Key_T, Qt::ControlModifier);
  QCOMPARE(prompts.messages, (std::vector<std::string>{
                                 "1 entry damaged of 4\nentry 1: bad CRC"}));
  const QStringList names = Column(window);
  const QAbstractItemModel* model = window->tableView()->model();
  for (int row = 0; row < names.size(); ++row) {
    const bool damaged = names[row] == "data/textures/hero.png";
    QCOMPARE(model->index(row, 0).data(Qt::ToolTipRole).toString(),
             damaged ? QString("entry 1: bad CRC") : QString());
  }
}

void ArchiveWindowTest::extractsTheSelectionByteForByteOrCancels() {
  // The real engine, on every core.
  ScriptedWindowPrompts prompts;
  CArchiveWindow* window = CArchiveWindow::Open(Archive("mod.kzf"), &prompts);
  QVERIFY(window != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(window));
  window->tableView()->selectRow(1);
  window->tableView()->selectionModel()->select(
      window->tableView()->model()->index(3, 0),
      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const std::filesystem::path out = temp_->path() / "out";
  prompts.folder = out.string();
  QTest::keyClick(window->tableView(), Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(prompts.messages, (std::vector<std::string>{
                                 "2 files extracted to " + out.string() +
                                 "\n"}));
  for (int entry : {1, 3}) {
    QCOMPARE(test::ReadFile(out / kNames[entry].toStdString()),
             test::Text(400 + 100 * entry));
  }
  QVERIFY(!std::filesystem::exists(out / kNames[0].toStdString()));

  // Cancel in the progress window: the run stops before its first entry.
  auto owned = std::make_unique<GatedEngine>();
  GatedEngine* gated = owned.get();
  window->SetEngine(std::move(owned));
  prompts.messages.clear();
  prompts.folder = (temp_->path() / "cancelled").string();
  // Polled from the event loops the run keeps turning, never blocking them.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [gated, &poll] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<QProgressDialog*>(widget);
      if (progress == nullptr || !progress->isVisible()) continue;
      progress->findChild<QPushButton*>()->click();
      gated->gate.Open();
      poll.stop();
    }
  });
  poll.start(10);
  window->tableView()->selectAll();
  QTest::keyClick(window->tableView(), Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(prompts.messages,
           (std::vector<std::string>{"Extraction cancelled: 0 files written to " +
                                     *prompts.folder + "\n"}));
  std::error_code error;
  for (const auto& file : std::filesystem::recursive_directory_iterator(
           temp_->path() / "cancelled", error)) {
    QVERIFY2(!file.is_regular_file(), file.path().c_str());
  }
}

void ArchiveWindowTest::dropDeleteAndF2ChangeTheArchive() {
  ScriptedWindowPrompts prompts;
  CArchiveWindow* window = CArchiveWindow::Open(Archive("mod.kzf"), &prompts);
  QVERIFY(window != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(window));
  QTableView* table = window->tableView();

  // Edit > Compress Added Files and the packing dialog's box show one
  // option, whichever sets it.
  CVarnokDlg dialog;
  window->compressAction()->trigger();
  QVERIFY(dialog.compressBox()->isChecked());

  // A file dropped under the filter's folder, once the question is
  // answered, deflated; the table shows it, selected.
  const std::string cave = Archive("cave.map");
  test::WriteFile(cave, test::Text(200));
  window->filterEdit()->setText("data/maps/");
  QVERIFY(Drop(table->viewport(), cave));
  QTRY_COMPARE(prompts.messages.size(), size_t{2});
  QCOMPARE(prompts.actions, (std::vector<std::string>{"&Add"}));
  QCOMPARE(Column(window),
           (QStringList{"data/maps/cave.map", "data/maps/forest.map"}));
  QCOMPARE(Column(window, 4).front(), QString("deflated"));
  dialog.compressBox()->click();
  QVERIFY(!window->compressAction()->isChecked());
  QCOMPARE(window->table().SelectedRows(), (std::vector<size_t>{0}));
  QCOMPARE(StoredNames(Archive("mod.kzf")),
           (QStringList{"data/maps/cave.map", "data/maps/forest.map",
                        "data/textures/hero.png", "data/textures/orc.png",
                        "data/scripts/main.lua"}));

  // Delete takes the selection, after its question.
  table->setFocus();
  QTest::keyClick(table, Qt::Key_Delete);
  QCOMPARE(prompts.messages.size(), size_t{4});
  QCOMPARE(Column(window), (QStringList{"data/maps/forest.map"}));

  // F2 edits the current name in place; Enter renames it.
  table->setCurrentIndex(table->model()->index(0, 3));
  QTest::keyClick(table, Qt::Key_F2);
  auto* editor = table->findChild<QLineEdit*>();
  QVERIFY(editor != nullptr);
  QCOMPARE(editor->text(), QString("data/maps/forest.map"));
  editor->setText("data/maps/woods.map");
  QTest::keyClick(editor, Qt::Key_Return);
  QTRY_COMPARE(prompts.messages.size(), size_t{5});
  QCOMPARE(StoredNames(Archive("mod.kzf")),
           (QStringList{"data/maps/woods.map", "data/textures/hero.png",
                        "data/textures/orc.png", "data/scripts/main.lua"}));
  window->filterEdit()->clear();
  QCOMPARE(Column(window), StoredNames(Archive("mod.kzf")));
}

int main(int argc, char** argv) {
  CVarnokApp app(argc, argv);
  ArchiveWindowTest test(&app);
  return QTest::qExec(&test, argc, argv);
}

#include "archive_window_test.moc"
