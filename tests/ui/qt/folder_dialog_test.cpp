// The folder picker, driven through its real widgets.

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/qt/folder_dialog.h"

using namespace varnok;

class FolderDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void showsFoldersOnlyWithSelectLeftOfCancel();
  void selectAnswersTheFolderOnDisplay();
  void enteringAFolderPutsItOnDisplay();
  void cancelAndCloseLeaveTheStringUntouched();

 private:
  // Shows the picker on the temporary folder and waits for its list.
  void Open();
  QListView* List() const;
  // The names the list shows for the folder on display.
  QStringList ListedNames() const;
  // Makes the folder name the current row of the list.
  void Highlight(const QString& name);

  std::unique_ptr<QTemporaryDir> temp_;
  QString root_;
  QString answer_;
  std::unique_ptr<CFolderDialog> picker_;
};

void FolderDialogTest::init() {
  temp_ = std::make_unique<QTemporaryDir>();
  QVERIFY(temp_->isValid());
  root_ = QDir(temp_->path()).canonicalPath();
  QVERIFY(QDir(root_).mkpath("sub/deeper"));
  QFile file(root_ + "/file.txt");
  QVERIFY(file.open(QIODevice::WriteOnly));
  answer_ = QStringLiteral("untouched");
  picker_ = std::make_unique<CFolderDialog>(&answer_);
}

void FolderDialogTest::cleanup() {
  picker_.reset();
  temp_.reset();
}

QListView* FolderDialogTest::List() const {
  auto* list = picker_->findChild<QListView*>(QStringLiteral("listView"));
  return list != nullptr && list->isVisible() ? list : nullptr;
}

QStringList FolderDialogTest::ListedNames() const {
  QListView* list = List();
  QStringList names;
  const QModelIndex root = list->rootIndex();
  for (int row = 0; row < list->model()->rowCount(root); ++row) {
    names.append(list->model()->index(row, 0, root).data().toString());
  }
  return names;
}

void FolderDialogTest::Open() {
  picker_->setDirectory(root_);
  picker_->show();
  QVERIFY(QTest::qWaitForWindowExposed(picker_.get()));
  QVERIFY(List() != nullptr);
  // The file system model fills the list in the background.
  QTRY_COMPARE(ListedNames(), QStringList{"sub"});
}

void FolderDialogTest::Highlight(const QString& name) {
  QListView* list = List();
  const QModelIndex root = list->rootIndex();
  for (int row = 0; row < list->model()->rowCount(root); ++row) {
    const QModelIndex index = list->model()->index(row, 0, root);
    if (index.data().toString() == name) {
      list->setCurrentIndex(index);
      list->setFocus();
      return;
    }
  }
  QFAIL(qPrintable("no row " + name));
}

void FolderDialogTest::showsFoldersOnlyWithSelectLeftOfCancel() {
  Open();
  QCOMPARE(picker_->windowTitle(), QStringLiteral("Choose folder"));
  // file.txt is not listed: Open() saw the folder alone.

  for (const char* name : {"fileNameLabel", "fileNameEdit", "fileTypeLabel",
                           "fileTypeCombo", "buttonBox"}) {
    QWidget* widget = picker_->findChild<QWidget*>(QLatin1String(name));
    QVERIFY2(widget != nullptr, name);
    QVERIFY2(!widget->isVisible(), name);
  }

  QPushButton* select = picker_->selectButton();
  QPushButton* cancel = picker_->cancelButton();
  QCOMPARE(select->text(), QStringLiteral("Select"));
  QVERIFY(select->isVisible() && cancel->isVisible());
  QCOMPARE(select->y(), cancel->y());
  QVERIFY(select->geometry().right() < cancel->x());

  // The folder list reaches down to the button row.
  QListView* list = List();
  const QRect listRect(list->mapTo(picker_.get(), QPoint(0, 0)), list->size());
  QVERIFY(listRect.bottom() < select->y());
  QVERIFY(select->y() - listRect.bottom() <= 12);

  // Still so after moving to another folder.
  picker_->setDirectory(root_ + "/sub");
  QTRY_COMPARE(ListedNames(), QStringList{"deeper"});
  QVERIFY(!picker_->findChild<QWidget*>("fileNameEdit")->isVisible());
  QVERIFY(!picker_->findChild<QWidget*>("fileTypeCombo")->isVisible());
}

void FolderDialogTest::selectAnswersTheFolderOnDisplay() {
  Open();
  Highlight("sub");
  QTest::mouseClick(picker_->selectButton(), Qt::LeftButton);
  QCOMPARE(picker_->result(), int(QDialog::Accepted));
  QVERIFY(!picker_->isVisible());
  QCOMPARE(answer_, root_);
}

void FolderDialogTest::enteringAFolderPutsItOnDisplay() {
  Open();
  Highlight("sub");
  QTest::keyClick(List(), Qt::Key_Return);
  QTRY_COMPARE(ListedNames(), QStringList{"deeper"});
  QVERIFY(picker_->isVisible());
  QCOMPARE(answer_, QStringLiteral("untouched"));

  QTest::mouseClick(picker_->selectButton(), Qt::LeftButton);
  QCOMPARE(picker_->result(), int(QDialog::Accepted));
  QCOMPARE(answer_, root_ + "/sub");
}

void FolderDialogTest::cancelAndCloseLeaveTheStringUntouched() {
  Open();
  Highlight("sub");
  QTest::mouseClick(picker_->cancelButton(), Qt::LeftButton);
  QCOMPARE(picker_->result(), int(QDialog::Rejected));
  QVERIFY(!picker_->isVisible());
  QCOMPARE(answer_, QStringLiteral("untouched"));

  Open();
  picker_->close();
  QCOMPARE(picker_->result(), int(QDialog::Rejected));
  QCOMPARE(answer_, QStringLiteral("untouched"));
}

QTEST_MAIN(FolderDialogTest)
#include "folder_dialog_test.moc"
