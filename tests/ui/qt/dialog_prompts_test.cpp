// The prompts a user answers: the save dialog and the message box.

#include <functional>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ui/qt/dialog_prompts.h"

using namespace varnok;

namespace {

// Calls answer with the active modal dialog once it is a visible T; the
// watching timer, a child of owner, stops then.
template <typename T>
void AnswerWhenShown(QObject* owner, std::function<void(T*)> answer) {
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    timer->stop();
    answer(dialog);
  });
  timer->start(10);
}

}  // namespace

class DialogPromptsTest : public QObject {
  Q_OBJECT

 private slots:
  void saveDialogAddsTheSuffixAndAsksNoQuestion();
  void cancelledSaveDialogAnswersNothing();
  void messageBoxHasOneButtonAndTheApplicationsName();
};

void DialogPromptsTest::saveDialogAddsTheSuffixAndAsksNoQuestion() {
  QTemporaryDir temp;
  const QString folder = QDir(temp.path()).canonicalPath();
  QFile existing(folder + "/old.kzf");
  QVERIFY(existing.open(QIODevice::WriteOnly));
  existing.close();

  struct Case {
    QString typed;
    QString expected;
  };
  const Case cases[] = {{"new", folder + "/new.kzf"},
                        {"old.kzf", folder + "/old.kzf"}};
  for (const Case& c : cases) {
    bool asked = false;
    AnswerWhenShown<QFileDialog>(this, [&](QFileDialog* dialog) {
      dialog->setDirectory(folder);
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(c.typed);
      // An overwrite question would be a second modal dialog.
      AnswerWhenShown<QMessageBox>(dialog, [&asked](QMessageBox* box) {
        asked = true;
        if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->click();
        else box->accept();
      });
      QMetaObject::invokeMethod(dialog, "accept");
    });
    CDialogPrompts prompts;
    const std::optional<std::string> chosen = prompts.ChooseArchiveName();
    QVERIFY(!asked);
    QVERIFY(chosen == QFile::encodeName(c.expected).toStdString());
  }
}

void DialogPromptsTest::cancelledSaveDialogAnswersNothing() {
  AnswerWhenShown<QFileDialog>(this,
                               [](QFileDialog* dialog) { dialog->reject(); });
  CDialogPrompts prompts;
  QVERIFY(!prompts.ChooseArchiveName());
}

void DialogPromptsTest::messageBoxHasOneButtonAndTheApplicationsName() {
  QString title, text, informative;
  qsizetype buttons = 0;
  AnswerWhenShown<QMessageBox>(this, [&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    informative = box->informativeText();
    buttons = box->buttons().size();
    box->button(QMessageBox::Ok)->click();
  });
  CDialogPrompts().ShowMessage("Can't read file", "/x/y.png");
  QCOMPARE(title, QStringLiteral("dialog_prompts_test"));
  QCOMPARE(title, QCoreApplication::applicationName());
  QCOMPARE(text, QStringLiteral("Can't read file"));
  QCOMPARE(informative, QStringLiteral("/x/y.png"));
  QCOMPARE(buttons, 1);
}

QTEST_MAIN(DialogPromptsTest)
#include "dialog_prompts_test.moc"
