#include "ui/qt/window_prompts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "ui/core/window_messages.h"
#include "ui/qt/folder_dialog.h"
#include "ui/qt/path_text.h"

namespace varnok {

std::optional<std::string> CQtWindowPrompts::ChooseArchiveToOpen() {
  const QString file = QFileDialog::getOpenFileName(
      parent_, QString::fromUtf8(window_messages::kOpenTitle), QString(),
      QString::fromUtf8(window_messages::kOpenFilter), nullptr,
      QFileDialog::DontUseNativeDialog);
  if (file.isEmpty()) return std::nullopt;
  return ToPath(file);
}

bool CQtWindowPrompts::ChooseFolder(std::string* folder) {
  QString chosen;
  CFolderDialog picker(&chosen, parent_);
  if (picker.exec() != QDialog::Accepted) return false;
  *folder = ToPath(chosen);
  return true;
}

ExistingAnswer CQtWindowPrompts::AskExisting(const Message& question) {
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                  FromPath(question.text), QMessageBox::NoButton, parent_);
  box.setInformativeText(FromPath(question.informative));
  QPushButton* replace = box.addButton(
      QString::fromUtf8(window_messages::kReplaceButton),
      QMessageBox::AcceptRole);
  QPushButton* keep = box.addButton(
      QString::fromUtf8(window_messages::kKeepButton), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(
      QString::fromUtf8(window_messages::kCancelButton),
      QMessageBox::RejectRole);
  box.setDefaultButton(keep);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == replace) return ExistingAnswer::kReplace;
  if (box.clickedButton() == keep) return ExistingAnswer::kKeep;
  return ExistingAnswer::kCancel;
}

bool CQtWindowPrompts::Confirm(const Message& question, const char* action) {
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                  FromPath(question.text), QMessageBox::NoButton, parent_);
  box.setInformativeText(FromPath(question.informative));
  QPushButton* yes = box.addButton(QString::fromUtf8(action),
                                   QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(
      QString::fromUtf8(window_messages::kCancelButton),
      QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == yes;
}

void CQtWindowPrompts::ShowMessage(const std::string& text,
                                   const std::string& informative) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                  FromPath(text),
                  QMessageBox::Ok, parent_);
  box.setInformativeText(
      FromPath(informative));
  box.exec();
}

}  // namespace varnok
