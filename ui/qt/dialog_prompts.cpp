#include "ui/qt/dialog_prompts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "ui/qt/folder_dialog.h"
#include "ui/qt/path_text.h"

namespace varnok {

bool CDialogPrompts::ChooseFolder(std::string* folder) {
  QString chosen;
  CFolderDialog picker(&chosen, parent_);
  if (picker.exec() != QDialog::Accepted) return false;
  *folder = QFile::encodeName(chosen).toStdString();
  return true;
}

std::optional<std::string> CDialogPrompts::ChooseArchiveName() {
  QFileDialog dialog(parent_);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(QStringLiteral("kzf"));
  dialog.setNameFilter(QStringLiteral("Kzf file(*.kzf)"));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QFile::encodeName(files.constFirst()).toStdString();
}

void CDialogPrompts::ShowMessage(const std::string& text,
                                 const std::string& informative) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                  FromPath(text), QMessageBox::Ok, parent_);
  box.setInformativeText(FromPath(informative));
  box.exec();
}

}  // namespace varnok
