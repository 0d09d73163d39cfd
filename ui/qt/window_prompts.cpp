#include "ui/qt/window_prompts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/core/window_messages.h"

namespace varnok {

std::optional<std::string> CQtWindowPrompts::ChooseArchiveToOpen() {
  const QString file = QFileDialog::getOpenFileName(
      parent_, QString::fromUtf8(window_messages::kOpenTitle), QString(),
      QString::fromUtf8(window_messages::kOpenFilter), nullptr,
      QFileDialog::DontUseNativeDialog);
  if (file.isEmpty()) return std::nullopt;
  return QFile::encodeName(file).toStdString();
}

void CQtWindowPrompts::ShowMessage(const std::string& text,
                                   const std::string& informative) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                  QFile::decodeName(QByteArray::fromStdString(text)),
                  QMessageBox::Ok, parent_);
  box.setInformativeText(
      QFile::decodeName(QByteArray::fromStdString(informative)));
  box.exec();
}

}  // namespace varnok
