// The main dialog, driven as a user would, with scripted answers to its
// questions and the real scanner and pack engine behind it.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <functional>
#include <iterator>
#include <mutex>
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
#include "platform/posix/temporary_file.h"
#include "ui/file_list.h"
#include "ui/main_dialog.h"
#include "ui/manual_check_box.h"
#include "ui/prompts.h"
#include "tests/archive/test_archive.h"
#include "tests/scan/temp_tree.h"

using namespace varnok;

namespace {

// Answers the dialog's questions from a script and records what was asked.
class ScriptedPrompts : public Prompts {
 public:
  struct Message {
    QString text;
    QString informative;
  };

  bool ChooseFolder(QWidget*, QString* folderPath) override {
    log.append(QStringLiteral("folder"));
    if (!folder) return false;
    *folderPath = *folder;
    return true;
  }
  std::optional<QString> ChooseArchiveName(QWidget*) override {
    log.append(QStringLiteral("save"));
    return archiveName;
  }
  void ShowMessage(QWidget*, const QString& text,
                   const QString& informative) override {
    log.append(QStringLiteral("message"));
    messages.push_back({text, informative});
    if (onMessage) onMessage(text);
  }

  QStringList texts() const {
    QStringList result;
    for (const Message& message : messages) result.append(message.text);
    return result;
  }

  std::optional<QString> folder;       // the picker's answer; none = Cancel
  std::optional<QString> archiveName;  // the save dialog's; none = Cancel
  std::function<void(const QString&)> onMessage;
  QStringList log;
  std::vector<Message> messages;
};

// Holds a pack run at its first progress report after it has read source
// bytes, when the archive's temporary file exists, until Open() is called.
class GatedPack {
 public:
  ~GatedPack() { Open(); }

  Status operator()(const PackRequest& request, PackObserver* observer) {
    Relay relay(this, observer);
    return CArchiveWriter().Pack(request, &relay);
  }

  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  class Relay : public PackObserver {
   public:
    Relay(GatedPack* gate, PackObserver* inner) : gate_(gate), inner_(inner) {}
    bool OnProgress(const PackProgress& progress) override {
      std::unique_lock<std::mutex> lock(gate_->mutex_);
      gate_->changed_.wait(lock, [this, &progress] {
        return gate_->open_ || progress.bytesDone == 0;
      });
      lock.unlock();
      return inner_->OnProgress(progress);
    }

   private:
    GatedPack* gate_;
    PackObserver* inner_;
  };

  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

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
  void selectionListsFilesInPathOrderAndPacksThem();
  void cancelledPickerKeepsTheList();
  void folderWithoutFilesEmptiesTheListSilently();
  void namedFolderIsListedByItsFullPathOrRefused();
  void emptyBasePathIsRefusedAfterTheSaveDialog();
  void cancelledSaveDialogDoesNothing();
  void blankBasePathReachesTheEngine();
  void packingTwiceGivesIdenticalArchives();
  void emptyListShowsTheEnginesMessage();
  void failingPackShowsTheEnginesMessage();
  void unreadableFoldersAreNamedAfterTheScan();
  void archiveInsideTheFolderIsLeftOutOrRefused();
  void cancelDuringPackLeavesNothingBehind_data();
  void cancelDuringPackLeavesNothingBehind();
  void nameThatIsNotUtf8PacksAsSpelled();
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
  prompts_->folder = folder;
  dialog_->selectButton()->click();
}

void MainDialogTest::Pack(const QString& archiveName) {
  prompts_->archiveName = archiveName;
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
  // The box's state when each message appeared.
  std::vector<bool> checkedAtMessage;
  prompts_->onMessage = [&](const QString&) {
    checkedAtMessage.push_back(box->isChecked());
  };
  const QString warning = QString::fromLatin1(messages::kCompressWarning);
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));

  const std::function<void()> clicks[] = {
      [box] { QTest::mouseClick(box, Qt::LeftButton); },
      [box] { QTest::keyClick(box, Qt::Key_Space); },
  };
  for (const auto& click : clicks) {
    prompts_->messages.clear();
    checkedAtMessage.clear();
    click();
    QVERIFY(box->isChecked());
    QCOMPARE(prompts_->texts(), QStringList{warning});
    click();
    QVERIFY(!box->isChecked());
    QCOMPARE(prompts_->texts().size(), 1);
    click();
    QVERIFY(box->isChecked());
    QCOMPARE(prompts_->texts(), (QStringList{warning, warning}));
    // The warning comes before the box is checked.
    QCOMPARE(checkedAtMessage, (std::vector<bool>{false, false}));
    click();
    QVERIFY(!box->isChecked());
  }
}

void MainDialogTest::selectionListsFilesInPathOrderAndPacksThem() {
  const QString folder =
      MakeFolder({"b.txt", "A.txt", "c.txt", "sub/a.txt", "Sub2/0.txt"});
  Select(folder);

  const QStringList expected = {folder + "/A.txt", folder + "/b.txt",
                                folder + "/c.txt", folder + "/sub/a.txt",
                                folder + "/Sub2/0.txt"};
  QCOMPARE(Rows(dialog_->fileList()), expected);
  QVERIFY(prompts_->messages.empty());

  const QString archive = temp_->filePath("out.kzf");
  Pack(archive);
  QCOMPARE(prompts_->texts(), QStringList{messages::kDone});
  QCOMPARE(ArchiveNames(archive),
           (std::vector<std::string>{"data/A.txt", "data/b.txt", "data/c.txt",
                                     "data/sub/a.txt", "data/Sub2/0.txt"}));
}

void MainDialogTest::cancelledPickerKeepsTheList() {
  Select(MakeFolder({"one.txt", "two.txt"}));
  const QStringList before = Rows(dialog_->fileList());
  QCOMPARE(before.size(), 2);

  prompts_->folder.reset();
  dialog_->selectButton()->click();
  QCOMPARE(prompts_->log, (QStringList{"folder", "folder"}));
  QCOMPARE(Rows(dialog_->fileList()), before);
  QVERIFY(prompts_->messages.empty());
}

void MainDialogTest::folderWithoutFilesEmptiesTheListSilently() {
  Select(MakeFolder({"one.txt"}));
  QCOMPARE(dialog_->fileList()->count(), 1);

  const QString empty = temp_->filePath("empty");
  QDir().mkpath(empty + "/only/folders");
  Select(empty);
  QCOMPARE(dialog_->fileList()->count(), 0);
  QVERIFY(prompts_->messages.empty());
}

void MainDialogTest::namedFolderIsListedByItsFullPathOrRefused() {
  MakeFolder({"b.txt", "a.txt"});
  const QString previous = QDir::currentPath();
  QVERIFY(QDir::setCurrent(temp_->path()));
  const QString here = QDir::currentPath();
  dialog_->OpenFolder("data");
  const QStringList listed = Rows(dialog_->fileList());
  // Names that are no folder, each refused with a message.
  const struct {
    std::string name;
    const char* text;
    QString informative;
  } refused[] = {
      {"missing", messages::kCantOpenFolder,
       "missing: No such file or directory"},
      {"data/a.txt", messages::kNotAFolder, "data/a.txt"},
      {"", messages::kCantOpenFolder, "No such file or directory"},
  };
  for (const auto& name : refused) dialog_->OpenFolder(name.name);
  const QStringList after = Rows(dialog_->fileList());
  QDir::setCurrent(previous);

  QCOMPARE(listed, (QStringList{here + "/data/a.txt", here + "/data/b.txt"}));
  QCOMPARE(after, listed);
  QCOMPARE(prompts_->messages.size(), std::size(refused));
  for (size_t i = 0; i < std::size(refused); ++i) {
    QCOMPARE(prompts_->messages[i].text, QString::fromLatin1(refused[i].text));
    QCOMPARE(prompts_->messages[i].informative, refused[i].informative);
  }
}

void MainDialogTest::emptyBasePathIsRefusedAfterTheSaveDialog() {
  Select(MakeFolder({"one.txt"}));
  dialog_->basePathEdit()->clear();
  const QString archive = temp_->filePath("out.kzf");
  Pack(archive);

  QCOMPARE(prompts_->log, (QStringList{"folder", "save", "message"}));
  QCOMPARE(prompts_->texts(),
           QStringList{QString::fromLatin1(messages::kEmptyBasePath)});
  QVERIFY(!QFile::exists(archive));
  QCOMPARE(dialog_->fileList()->count(), 1);
}

void MainDialogTest::cancelledSaveDialogDoesNothing() {
  Select(MakeFolder({"one.txt"}));
  bool packed = false;
  dialog_->SetPackFunction([&](const PackRequest&, PackObserver*) {
    packed = true;
    return Status::Ok();
  });
  prompts_->archiveName.reset();
  dialog_->packButton()->click();
  QCOMPARE(prompts_->log, (QStringList{"folder", "save"}));
  QVERIFY(!packed);
}

void MainDialogTest::blankBasePathReachesTheEngine() {
  Select(MakeFolder({"my file.txt"}));
  dialog_->basePathEdit()->setText(" ");
  const QString archive = temp_->filePath("out.kzf");
  Pack(archive);

  QCOMPARE(prompts_->texts(), QStringList{messages::kDone});
  QCOMPARE(ArchiveNames(archive), std::vector<std::string>{" file.txt"});
}

void MainDialogTest::packingTwiceGivesIdenticalArchives() {
  Select(MakeFolder({"a.txt", "sub/b.txt"}));
  const QStringList rows = Rows(dialog_->fileList());
  const QString first = temp_->filePath("first.kzf");
  const QString second = temp_->filePath("second.kzf");
  Pack(first);
  Pack(second);

  QCOMPARE(prompts_->texts(),
           (QStringList{messages::kDone, messages::kDone}));
  QVERIFY(!ReadFile(first).empty());
  QCOMPARE(ReadFile(second), ReadFile(first));
  QCOMPARE(Rows(dialog_->fileList()), rows);
}

void MainDialogTest::emptyListShowsTheEnginesMessage() {
  const QString archive = temp_->filePath("out.kzf");
  Pack(archive);
  QCOMPARE(prompts_->log, (QStringList{"save", "message"}));
  QCOMPARE(prompts_->texts(),
           QStringList{QString::fromLatin1(messages::kNoFiles)});
  QVERIFY(!QFile::exists(archive));
}

void MainDialogTest::failingPackShowsTheEnginesMessage() {
  const QString folder = MakeFolder({"a.txt", "gone.txt"});
  Select(folder);
  const QString gone = folder + "/gone.txt";
  QVERIFY(QFile::remove(gone));

  const QString archive = temp_->filePath("out.kzf");
  Pack(archive);
  QCOMPARE(prompts_->messages.size(), size_t{1});
  QCOMPARE(prompts_->messages[0].text,
           QString::fromLatin1(messages::kCantReadFile));
  QCOMPARE(prompts_->messages[0].informative,
           gone + QStringLiteral(": No such file or directory"));
  QVERIFY(!QFile::exists(archive));
  QCOMPARE(dialog_->fileList()->count(), 2);
}

void MainDialogTest::unreadableFoldersAreNamedAfterTheScan() {
  // Folders too deep to open, whoever runs the test.
  TempTree tree;
  tree.AddFile("data/a.txt", "a");
  std::vector<QString> deep;
  for (int i = 0; i < 7; ++i) {
    deep.push_back(QString::fromStdString(
        tree.AddTooDeepFolder("data/deep" + std::to_string(i))));
    if (i != 0 && i != 6) continue;
    prompts_->messages.clear();
    Select(QString::fromStdString(tree.Path("data")));

    // The list keeps what was found.
    QCOMPARE(Rows(dialog_->fileList()),
             QStringList{QString::fromStdString(tree.Path("data/a.txt"))});
    QCOMPARE(prompts_->messages.size(), size_t{1});
    const QStringList lines =
        prompts_->messages[0].informative.split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), deep[0] + QStringLiteral(": File name too long"));
    if (i == 0) {
      QCOMPARE(prompts_->texts(),
               QStringList{QString::fromLatin1(messages::kUnreadableFolder)});
      QCOMPARE(lines.size(), 1);
    } else {
      QCOMPARE(prompts_->texts(),
               QStringList{QString::fromLatin1(messages::kUnreadableFolders)
                               .arg(7)});
      QCOMPARE(lines.size(), 6);
      QCOMPARE(lines[4], deep[4] + QStringLiteral(": File name too long"));
      QCOMPARE(lines[5], QStringLiteral("and 2 more"));
    }
  }
}

void MainDialogTest::archiveInsideTheFolderIsLeftOutOrRefused() {
  const QString folder = MakeFolder({"a.txt", "level1.dat"});
  const QString archive = folder + QStringLiteral("/game.kzf");
  Select(folder);
  Pack(archive);
  // Selected again, the list holds the archive; packing over it leaves it
  // out, run after run.
  for (int run = 0; run < 2; ++run) {
    Select(folder);
    QCOMPARE(dialog_->fileList()->count(), 3);
    Pack(archive);
    QCOMPARE(ArchiveNames(archive),
             (std::vector<std::string>{"data/a.txt", "data/level1.dat"}));
  }
  QCOMPARE(prompts_->texts(),
           (QStringList{messages::kDone, messages::kDone, messages::kDone}));

  // Any other file of the list is never overwritten.
  const QString level = folder + QStringLiteral("/level1.dat");
  const std::string before = ReadFile(level);
  Pack(level);
  QCOMPARE(prompts_->messages.back().text,
           QString::fromLatin1(messages::kArchiveReplacesSource));
  QCOMPARE(prompts_->messages.back().informative, level);
  QCOMPARE(ReadFile(level), before);
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

  GatedPack gate;
  dialog_->SetPackFunction(std::ref(gate));
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

void MainDialogTest::nameThatIsNotUtf8PacksAsSpelled() {
  const QString folder = MakeFolder({});
  const std::string name = "caf\xe9.txt";  // Latin-1, not UTF-8
  const std::string path = QFile::encodeName(folder).toStdString() + "/" + name;
  test::WriteFile(path, "bytes");
  Select(folder);

  QCOMPARE(dialog_->fileList()->count(), 1);
  QCOMPARE(dialog_->fileList()->PathAt(0), path);
  QVERIFY(dialog_->fileList()->item(0)->text().endsWith(
      QStringLiteral("/caf\uFFFD.txt")));

  const QString archive = temp_->filePath("out.kzf");
  Pack(archive);
  QCOMPARE(prompts_->texts(), QStringList{messages::kDone});
  QCOMPARE(ArchiveNames(archive), std::vector<std::string>{"data/" + name});
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
  QVERIFY(prompts_->log.isEmpty());
}

void MainDialogTest::enterOnAPushButtonPressesIt() {
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  prompts_->archiveName.reset();
  QTest::keyClick(dialog_->packButton(), Qt::Key_Return);
  dialog_->selectButton()->setFocus();
  QTest::keyClick(dialog_->selectButton(), Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(prompts_->log, (QStringList{"save", "folder"}));
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

  QVERIFY(!drop(folder + "/a.txt"));  // a file is not taken
  QCOMPARE(dialog_->fileList()->count(), 0);
  QVERIFY(drop(folder));
  QCOMPARE(Rows(dialog_->fileList()),
           (QStringList{folder + "/a.txt", folder + "/b.txt"}));
  QVERIFY(prompts_->log.isEmpty());
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
  dialog_->basePathEdit()->setText("elsewhere/");
  QCOMPARE(hint(), QString::fromLatin1(messages::kBasePathNotFound));
}

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
