#include "ui/prompts.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "ui/folder_dialog.h"

namespace varnok {

bool CDialogPrompts::ChooseFolder(QWidget* parent, QString* folderPath) {
  CFolderDialog picker(folderPath, parent);
  return picker.exec() == QDialog::Accepted;
}

std::optional<QString> CDialogPrompts::ChooseArchiveName(QWidget* parent) {
  QFileDialog dialog(parent);
  // Qt's own dialog, so that it looks and behaves the same everywhere.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(QStringLiteral("kzf"));
  dialog.setNameFilter(QStringLiteral("Kzf file(*.kzf)"));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.constFirst();
}

void CDialogPrompts::ShowMessage(QWidget* parent, const QString& text,
                                 const QString& informative) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                  text, QMessageBox::Ok, parent);
  box.setInformativeText(informative);
  box.exec();
}

}  // namespace varnok
