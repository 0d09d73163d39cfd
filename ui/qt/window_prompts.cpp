#include "ui/qt/window_prompts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

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

namespace {

// Asks question in a message box over parent with one button for each of
// labels, the last of them answering Escape; returns the index of the
// button clicked (the last when the box is closed otherwise).
size_t AskQuestion(QWidget* parent, const Message& question,
                   const std::vector<const char*>& labels,
                   size_t defaultButton) {
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                  FromPath(question.text), QMessageBox::NoButton, parent);
  box.setInformativeText(FromPath(question.informative));
  std::vector<QPushButton*> buttons;
  for (size_t i = 0; i < labels.size(); ++i) {
    buttons.push_back(box.addButton(QString::fromUtf8(labels[i]),
                                    i + 1 < labels.size()
                                        ? QMessageBox::AcceptRole
                                        : QMessageBox::RejectRole));
  }
  box.setDefaultButton(buttons[defaultButton]);
  box.setEscapeButton(buttons.back());
  box.exec();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return i;
  }
  return buttons.size() - 1;
}

}  // namespace

ExistingAnswer CQtWindowPrompts::AskExisting(const Message& question) {
  switch (AskQuestion(parent_, question,
                      {window_messages::kReplaceButton,
                       window_messages::kKeepButton,
                       window_messages::kCancelButton},
                      1)) {
    case 0:
      return ExistingAnswer::kReplace;
    case 1:
      return ExistingAnswer::kKeep;
    default:
      return ExistingAnswer::kCancel;
  }
}

bool CQtWindowPrompts::Confirm(const Message& question, const char* action) {
  return AskQuestion(parent_, question,
                     {action, window_messages::kCancelButton}, 0) == 0;
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
