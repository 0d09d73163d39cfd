// The main dialog, driven as a user would, with scripted answers to its
// questions and the real scanner and pack engine behind it.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QtTest>

#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "base/messages.h"
#include "platform/posix/temporary_file.h"
#include "tests/archive/test_archive.h"
#include "tests/ui/gated_runs.h"
#include "tests/ui/scripted_prompts.h"
#include "ui/qt/file_list.h"
#include "ui/qt/main_dialog.h"
#include "ui/qt/manual_check_box.h"

using namespace varnok;
using test::Gate;
using test::GatedPack;
using test::GatedScan;
using test::ScriptedPrompts;

namespace {

// The stored names of an archive's entries, in directory order; none when
// it is no sound archive.
std::vector<std::string> ArchiveNames(const QString& path) {
  CArchiveReader reader;
  std::vector<std::string> names;
  if (!reader.Open(QFile::encodeName(path).toStdString()).ok()) return names;
  for (const ArchiveEntry& entry : reader.entries()) {
    names.push_back(entry.name);
  }
  return names;
}

// The bytes of the file at path.
std::string ReadFile(const QString& path) {
  return test::ReadFile(QFile::encodeName(path).toStdString());
}

QStringList Rows(const CFileList* list) {
  QStringList rows;
  for (int row = 0; row < list->count(); ++row) {
    rows.append(list->item(row)->text());
  }
  return rows;
}

}  // namespace

class MainDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void opensWithItsStartValues();
  void controlsFollowTheTabOrderAndFit();
  void compressTogglesOnlyThroughItsCommand();
  void selectionShowsRowsAndPacksThroughTheButtons();
  void cancelDuringPackLeavesNothingBehind_data();
  void cancelDuringPackLeavesNothingBehind();
  void cancelDuringScanKeepsTheRows_data();
  void cancelDuringScanKeepsTheRows();
  void escapeAndEnterEndTheDialog();
  void enterOnAPushButtonPressesIt();
  void droppedFolderIsASelection();
  void hoverShowsTheStoredName();

 private:
  // A folder "data" in the temporary folder holding the given files.
  QString MakeFolder(const QStringList& files);
  void Select(const QString& folder);
  void Pack(const QString& archiveName);

  std::unique_ptr<QTemporaryDir> temp_;
  std::unique_ptr<ScriptedPrompts> prompts_;
  std::unique_ptr<CVarnokDlg> dialog_;
};

void MainDialogTest::init() {
  temp_ = std::make_unique<QTemporaryDir>();
  QVERIFY(temp_->isValid());
  prompts_ = std::make_unique<ScriptedPrompts>();
  dialog_ = std::make_unique<CVarnokDlg>(prompts_.get());
}

void MainDialogTest::cleanup() {
  dialog_.reset();
  prompts_.reset();
  temp_.reset();
}

QString MainDialogTest::MakeFolder(const QStringList& files) {
  const QString folder = temp_->filePath(QStringLiteral("data"));
  QDir().mkpath(folder);
  for (const QString& file : files) {
    const QString path = folder + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).path());
    test::WriteFile(QFile::encodeName(path).toStdString(),
                    "content of " + file.toStdString());
  }
  return folder;
}

void MainDialogTest::Select(const QString& folder) {
  prompts_->folder = QFile::encodeName(folder).toStdString();
  dialog_->selectButton()->click();
}

void MainDialogTest::Pack(const QString& archiveName) {
  prompts_->archiveName = QFile::encodeName(archiveName).toStdString();
  dialog_->packButton()->click();
}

void MainDialogTest::opensWithItsStartValues() {
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));

  QCOMPARE(dialog_->windowTitle(), QStringLiteral("Varnok V0.6"));
  QCOMPARE(dialog_->focusWidget(), dialog_->packButton());
  QCOMPARE(dialog_->basePathEdit()->text(), QStringLiteral("data/"));
  QVERIFY(!dialog_->compressBox()->isChecked());
  QCOMPARE(dialog_->fileList()->count(), 0);

  // Not resizable; a close box but no minimise or maximise box.
  QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
  const Qt::WindowFlags flags = dialog_->windowFlags();
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

  // No default button.
  for (QPushButton* button : dialog_->findChildren<QPushButton*>()) {
    QVERIFY2(!button->isDefault() && !button->autoDefault(),
             qPrintable(button->objectName()));
  }

  // The icon has an image of each size, each one drawn at that size.
  const QIcon icon = dialog_->windowIcon();
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    const QSize square(size, size);
    QVERIFY2(icon.availableSizes().contains(square),
             qPrintable(QString::number(size)));
    QCOMPARE(icon.pixmap(square).size(), square);
  }
}

void MainDialogTest::controlsFollowTheTabOrderAndFit() {
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));

  const QStringList expected = {"IDC_FILE_LIST", "IDC_SELECT_FILES",
                                "IDC_BASE_PATH", "IDC_COMPRESS", "IDC_PACK"};
  for (const QString& id : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), id);
  }

  // Every control lies inside the window, none overlaps another, and every
  // text fits its control.
  QList<QWidget*> controls = dialog_->findChildren<QWidget*>(
      QString(), Qt::FindDirectChildrenOnly);
  QCOMPARE(controls.size(), 6);
  for (int i = 0; i < controls.size(); ++i) {
    const QRect rect = controls[i]->geometry();
    QVERIFY(dialog_->rect().contains(rect));
    for (int j = i + 1; j < controls.size(); ++j) {
      QVERIFY2(!rect.intersects(controls[j]->geometry()),
               qPrintable(controls[i]->objectName() + " overlaps " +
                          controls[j]->objectName()));
    }
  }
  // The style's room for the text of each button and of the label.
  const auto textFits = [](QWidget* control, const QRect& room,
                           const QString& text) {
    const int width = control->fontMetrics().horizontalAdvance(
        QString(text).remove(QLatin1Char('&')));
    return width <= room.width();
  };
  for (QPushButton* button : dialog_->findChildren<QPushButton*>()) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect room = button->style()->subElementRect(
        QStyle::SE_PushButtonContents, &option, button);
    QVERIFY2(textFits(button, room, button->text()),
             qPrintable(button->text() + " is cut off"));
  }
  QCheckBox* box = dialog_->compressBox();
  QStyleOptionButton boxOption;
  boxOption.initFrom(box);
  boxOption.text = box->text();
  const QRect boxRoom =
      box->style()->subElementRect(QStyle::SE_CheckBoxContents, &boxOption, box);
  QVERIFY2(textFits(box, boxRoom, box->text()), "the check box's text is cut off");
  for (QLabel* label : dialog_->findChildren<QLabel*>()) {
    QVERIFY2(textFits(label, label->contentsRect(), label->text()),
             qPrintable(label->text() + " is cut off"));
  }
}

void MainDialogTest::compressTogglesOnlyThroughItsCommand() {
  CManualCheckBox* box = dialog_->compressBox();
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));

  // A click by mouse or by the space key runs the command, which alone
  // changes the box (the warning's sequence is the presenter's).
  const std::function<void()> clicks[] = {
      [box] { QTest::mouseClick(box, Qt::LeftButton); },
      [box] { QTest::keyClick(box, Qt::Key_Space); },
  };
  for (const auto& click : clicks) {
    prompts_->messages.clear();
    click();
    QVERIFY(box->isChecked());
    QCOMPARE(prompts_->texts(),
             std::vector<std::string>{messages::kCompressWarning});
    click();
    QVERIFY(!box->isChecked());
    QCOMPARE(prompts_->texts().size(), size_t{1});
  }
}

void MainDialogTest::selectionShowsRowsAndPacksThroughTheButtons() {
  const QString folder = MakeFolder({"b.txt", "A.txt"});
  const std::string latin1 = "caf\xe9.txt";  // not UTF-8
  test::WriteFile(QFile::encodeName(folder).toStdString() + "/" + latin1, "bytes");
  Select(folder);

  // Rows show the paths decoded, in the presenter's order.
  QCOMPARE(Rows(dialog_->fileList()),
           (QStringList{folder + "/A.txt", folder + "/b.txt",
                        folder + QStringLiteral("/caf\uFFFD.txt")}));
  const QString archive = temp_->filePath("out.kzf");
  Pack(archive);
  QCOMPARE(prompts_->texts(), std::vector<std::string>{messages::kDone});
  QCOMPARE(ArchiveNames(archive),
           (std::vector<std::string>{"data/A.txt", "data/b.txt",
                                     "data/" + latin1}));
}

void MainDialogTest::cancelDuringPackLeavesNothingBehind_data() {
  QTest::addColumn<bool>("named");
  QTest::newRow("unnamed temporary file") << false;
  // As on a file system without unnamed files.
  QTest::newRow("named temporary file") << true;
}

void MainDialogTest::cancelDuringPackLeavesNothingBehind() {
  QFETCH(bool, named);
  const auto savedOpen = openUnnamedFile;
  if (named) {
    openUnnamedFile = [](int, mode_t) {
      errno = EOPNOTSUPP;
      return -1;
    };
  }
  Select(MakeFolder({"a.txt", "b.txt"}));
  const QString archive = temp_->filePath("out.kzf");
  test::WriteFile(QFile::encodeName(archive).toStdString(), "old archive");

  Gate gate;
  dialog_->presenter().SetPackFunction(GatedPack(&gate));
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));

  // Once the progress shows, tries to close the dialog, then presses
  // Cancel and lets the run go on.
  bool cancelled = false;
  bool closedWhilePacking = true;
  QTimer watch;
  connect(&watch, &QTimer::timeout, [&] {
    auto* progress = dialog_->findChild<QProgressDialog*>();
    if (cancelled || progress == nullptr || !progress->isVisible()) return;
    closedWhilePacking = dialog_->close() || !dialog_->isVisible();
    auto* cancel = progress->findChild<QPushButton*>();
    QVERIFY(cancel != nullptr);
    cancel->click();
    cancelled = true;
    gate.Open();
  });
  watch.start(20);
  // Should the progress never show, the run goes on all the same.
  QTimer::singleShot(10000, [&gate] { gate.Open(); });
  Pack(archive);
  watch.stop();
  openUnnamedFile = savedOpen;

  QVERIFY(cancelled);
  QVERIFY(!closedWhilePacking);
  QVERIFY(dialog_->isVisible());
  QVERIFY(prompts_->messages.empty());
  QCOMPARE(ReadFile(archive), std::string("old archive"));
  // Hidden files too: a temporary file is named ".out.kzf.XXXXXX".
  QCOMPARE(QDir(temp_->path()).entryList(QDir::Files | QDir::Hidden |
                                         QDir::System),
           QStringList{"out.kzf"});
  QCOMPARE(dialog_->fileList()->count(), 2);
  QVERIFY(dialog_->findChild<QProgressDialog*>() == nullptr);
}

void MainDialogTest::cancelDuringScanKeepsTheRows_data() {
  QTest::addColumn<bool>("escape");
  QTest::newRow("Cancel") << false;
  QTest::newRow("Escape") << true;
}

void MainDialogTest::cancelDuringScanKeepsTheRows() {
  QFETCH(bool, escape);
  const QString folder = MakeFolder({"a.txt", "b.txt"});
  Select(folder);
  const QStringList rows = Rows(dialog_->fileList());
  QCOMPARE(rows.size(), 2);
  MakeFolder({"c.txt"});

  Gate gate;
  dialog_->presenter().SetScanFunction(GatedScan(&gate));
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  // Once the progress shows, notes it and cancels the scan.
  QString text;
  int steps = -1;
  bool cancelled = false;
  QTimer watch;
  connect(&watch, &QTimer::timeout, [&] {
    auto* progress = dialog_->findChild<QProgressDialog*>();
    if (cancelled || progress == nullptr || !progress->isVisible()) return;
    text = progress->labelText();
    steps = progress->maximum();
    if (escape) {
      QTest::keyClick(progress, Qt::Key_Escape);
    } else {
      progress->findChild<QPushButton*>()->click();
    }
    cancelled = true;
    gate.Open();
  });
  watch.start(20);
  QTimer::singleShot(10000, [&gate] { gate.Open(); });
  Select(folder);
  watch.stop();

  QVERIFY(cancelled);
  QCOMPARE(text, QStringLiteral("Folders found: 1\nFiles found: 0"));
  QCOMPARE(steps, 0);  // a bar that only shows the scan goes on
  QCOMPARE(Rows(dialog_->fileList()), rows);
  QVERIFY(prompts_->messages.empty());
  QVERIFY(dialog_->findChild<QProgressDialog*>() == nullptr);
  QVERIFY(dialog_->isVisible());
}

void MainDialogTest::escapeAndEnterEndTheDialog() {
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  QTest::keyClick(dialog_->packButton(), Qt::Key_Escape);
  QVERIFY(!dialog_->isVisible());

  for (QWidget* focus : std::initializer_list<QWidget*>{
           dialog_->fileList(), dialog_->basePathEdit(),
           dialog_->compressBox()}) {
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_Return);
    QVERIFY2(!dialog_->isVisible(), qPrintable(focus->objectName()));
  }

  dialog_->show();
  QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  dialog_->close();
  QVERIFY(!dialog_->isVisible());
  QVERIFY(prompts_->log.empty());
}

void MainDialogTest::enterOnAPushButtonPressesIt() {
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  prompts_->archiveName.reset();
  QTest::keyClick(dialog_->packButton(), Qt::Key_Return);
  dialog_->selectButton()->setFocus();
  QTest::keyClick(dialog_->selectButton(), Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(prompts_->log, (std::vector<std::string>{"save", "folder"}));
  QVERIFY(dialog_->isVisible());
}

void MainDialogTest::droppedFolderIsASelection() {
  const QString folder = MakeFolder({"a.txt", "b.txt"});
  QWidget* viewport = dialog_->fileList()->viewport();
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));

  const auto drop = [viewport](const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(viewport, &dropped);
    return dropped.isAccepted();
  };

  QVERIFY(!drop(folder + "/a.txt"));  // a file that is no archive is not taken
  QCOMPARE(dialog_->fileList()->count(), 0);
  QVERIFY(drop(folder));
  QCOMPARE(Rows(dialog_->fileList()),
           (QStringList{folder + "/a.txt", folder + "/b.txt"}));
  QVERIFY(prompts_->log.empty());
}

void MainDialogTest::hoverShowsTheStoredName() {
  Select(MakeFolder({"sub/a.txt"}));
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  CFileList* list = dialog_->fileList();

  const auto hint = [list] {
    const QRect row = list->visualItemRect(list->item(0));
    QHelpEvent help(QEvent::ToolTip, row.center(),
                    list->viewport()->mapToGlobal(row.center()));
    QApplication::sendEvent(list->viewport(), &help);
    return QToolTip::text();
  };
  QCOMPARE(hint(), QStringLiteral("Stored as data/sub/a.txt"));
  dialog_->basePathEdit()->setText("sub/");
  QCOMPARE(hint(), QStringLiteral("Stored as sub/a.txt"));
}

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
