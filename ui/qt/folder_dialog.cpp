#include "ui/qt/folder_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

namespace varnok {
namespace {

// Pixels between the Select and the Cancel button, and between the folder
// list and the button row.
constexpr int kGap = 4;

}  // namespace

CFolderDialog::CFolderDialog(QString* folderPath, QWidget* parent)
    : QFileDialog(parent), folderPath_(folderPath) {
  setOption(QFileDialog::DontUseNativeDialog);
  setFileMode(QFileDialog::Directory);
  setOption(QFileDialog::ShowDirsOnly);
  setViewMode(QFileDialog::List);
  setWindowTitle(QStringLiteral("Choose folder"));
  setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
  Reshape();
}

void CFolderDialog::accept() {
  *folderPath_ = directory().absolutePath();
  done(QDialog::Accepted);
}

void CFolderDialog::Reshape() {
  // The rows a folder chooser has no use for. The file dialog's own buttons
  // go as well: their order follows the desktop's conventions, and Select
  // has to stand left of Cancel everywhere.
  for (const char* name : {"fileNameLabel", "fileNameEdit", "fileTypeLabel",
                           "fileTypeCombo", "buttonBox"}) {
    if (QWidget* widget = findChild<QWidget*>(QLatin1String(name))) {
      widget->hide();
    }
  }

  selectButton_ = new QPushButton(QStringLiteral("Select"), this);
  selectButton_->setObjectName(QStringLiteral("selectButton"));
  selectButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  cancelButton_->setAutoDefault(false);
  connect(selectButton_, &QPushButton::clicked, this, &CFolderDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &CFolderDialog::reject);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->setSpacing(kGap);
  buttonRow->addStretch();
  buttonRow->addWidget(selectButton_);
  buttonRow->addWidget(cancelButton_);

  // The rows of the hidden widgets collapse, so the folder list takes their
  // space and the button row follows it.
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    grid->setVerticalSpacing(kGap);
    grid->addLayout(buttonRow, grid->rowCount(), 0, 1, grid->columnCount());
  }
}

}  // namespace varnok
