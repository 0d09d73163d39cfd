// The varnok program: its command line, answered by the built program
// without a window, and the application's run of the main dialog.

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include "base/version.h"
#include "tests/support/temp_folder.h"
#include "ui/qt/app.h"
#include "ui/qt/file_list.h"
#include "ui/qt/main_dialog.h"

using namespace varnok;

class AppTest : public QObject {
  Q_OBJECT

 public:
  explicit AppTest(CVarnokApp* app) : app_(app) {}

 private slots:
  void commandLineIsAnsweredWithoutAWindow_data();
  void commandLineIsAnsweredWithoutAWindow();
  void runListsTheFolderAndEndsWithTheDialogsResult_data();
  void runListsTheFolderAndEndsWithTheDialogsResult();

 private:
  CVarnokApp* app_;
};

void AppTest::commandLineIsAnsweredWithoutAWindow_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("out");  // a pattern
  QTest::addColumn<QString>("err");

  const QString again = "\nRun 'varnok --help' for more information.\n";
  QTest::newRow("version")
      << QStringList{"--version"} << 0
      << "^varnok " + QRegularExpression::escape(kVersion) + "\n$"
      << QString();
  QTest::newRow("second folder")
      << QStringList{"one", "two"} << 2 << "^$"
      << "varnok: The following argument was not expected: two" + again;
}

void AppTest::commandLineIsAnsweredWithoutAWindow() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QString, out);
  QFETCH(QString, err);

  // A platform that does not exist: the program fails if it starts Qt's
  // windowing instead of answering at once.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "none-such");
  environment.remove("DISPLAY");
  QProcess varnok;
  varnok.setProcessEnvironment(environment);
  varnok.start(VARNOK_PATH, arguments);
  QVERIFY(varnok.waitForFinished(30000));

  const QString printed =
      QString::fromLocal8Bit(varnok.readAllStandardOutput());
  QCOMPARE(QString::fromLocal8Bit(varnok.readAllStandardError()), err);
  QVERIFY2(QRegularExpression(out).match(printed).hasMatch(),
           qPrintable(printed));
  QCOMPARE(varnok.exitStatus(), QProcess::NormalExit);
  QCOMPARE(varnok.exitCode(), status);
}

void AppTest::runListsTheFolderAndEndsWithTheDialogsResult_data() {
  QTest::addColumn<std::optional<std::string>>("folder");
  QTest::addColumn<bool>("accept");  // ended by Enter, or else closed
  QTest::addColumn<QStringList>("rows");
  QTest::addColumn<int>("status");

  const QStringList rows = {"/data/a.txt", "/data/sub/b.txt"};
  QTest::newRow("folder, Enter")
      << std::optional<std::string>("data") << true << rows << 1;
  QTest::newRow("folder, closed")
      << std::optional<std::string>("data") << false << rows << 0;
  QTest::newRow("no folder, Enter")
      << std::optional<std::string>() << true << QStringList() << 1;
}

void AppTest::runListsTheFolderAndEndsWithTheDialogsResult() {
  QFETCH(std::optional<std::string>, folder);
  QFETCH(bool, accept);
  QFETCH(QStringList, rows);
  QFETCH(int, status);

  test::TempFolder temp;
  const std::filesystem::path data = temp.path() / "data";
  std::filesystem::create_directories(data / "sub");
  for (const char* file : {"a.txt", "sub/b.txt"}) {
    std::ofstream(data / file) << file;
  }
  const QString previous = QDir::currentPath();
  QVERIFY(QDir::setCurrent(QString::fromStdString(temp.path().string())));
  const QString here = QDir::currentPath();

  // Once the listing is done, the dialog is ended.
  QStringList listed;
  QTimer::singleShot(0, app_, [&] {
    CVarnokDlg* dialog = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible()) dialog = qobject_cast<CVarnokDlg*>(window);
      if (dialog != nullptr) break;
    }
    if (dialog == nullptr) return;
    // A listing that never comes shows in the comparison below.
    (void)QTest::qWaitFor(
        [&] { return dialog->fileList()->count() == rows.size(); });
    for (int row = 0; row < dialog->fileList()->count(); ++row) {
      listed.append(dialog->fileList()->item(row)->text());
    }
    accept ? dialog->accept() : dialog->reject();
  });
  const int result = app_->Run(folder);
  QDir::setCurrent(previous);

  QStringList expected;
  for (const QString& row : rows) expected.append(here + row);
  QCOMPARE(listed, expected);
  QCOMPARE(result, status);
}

int main(int argc, char** argv) {
  CVarnokApp app(argc, argv);
  AppTest test(&app);
  return QTest::qExec(&test, argc, argv);
}

#include "app_test.moc"
