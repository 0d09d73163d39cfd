#include "ui/qt/window_prompts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/core/window_messages.h"
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
