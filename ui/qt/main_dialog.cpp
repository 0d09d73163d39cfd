#include "ui/qt/main_dialog.h"

#include <optional>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "base/messages.h"
#include "base/version.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/archive_window.h"
#include "ui/qt/dialog_prompts.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/file_list.h"
#include "ui/qt/manual_check_box.h"
#include "ui/qt/run_progress.h"

namespace varnok {
namespace {

// The dialog's layout, in dialog units (dialog_units.h).
struct Place {
  int x, y, width, height;
};
constexpr int kDialogWidth = 339;
constexpr int kDialogHeight = 159;
constexpr Place kPackPlace = {263, 134, 69, 18};
constexpr Place kFileListPlace = {7, 7, 325, 123};
constexpr Place kSelectPlace = {7, 134, 69, 18};
constexpr Place kBasePathEditPlace = {174, 138, 82, 13};
constexpr Place kBasePathLabelPlace = {135, 139, 38, 10};
constexpr Place kCompressPlace = {80, 136, 47, 14};

}  // namespace

CVarnokDlg::CVarnokDlg(Prompts* prompts, QWidget* parent)
    // An application window, with a task-bar button of its own, that has a
    // caption and a close box but no minimise or maximise box.
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      ownPrompts_(prompts != nullptr ? nullptr
                                     : std::make_unique<CDialogPrompts>(this)),
      presenter_(this, prompts != nullptr ? prompts : ownPrompts_.get()),
      appIcon_(LoadAppIcon()) {
  setWindowTitle(QStringLiteral("Varnok V") + QLatin1String(kShortVersion));
  setWindowIcon(appIcon_);
  BuildControls();
  presenter_.Start();
  packButton_->setFocus();
}

CVarnokDlg::~CVarnokDlg() = default;

void CVarnokDlg::BuildControls() {
  packButton_ = new QPushButton(QStringLiteral("&Varnok"), this);
  fileList_ = new CFileList(this);
  selectButton_ = new QPushButton(QStringLiteral("&Select files to pack"), this);
  basePathEdit_ = new QLineEdit(this);
  basePathLabel_ = new QLabel(QStringLiteral("Base path:"), this);
  compressBox_ = new CManualCheckBox(QStringLiteral("&Compress"), this);

  packButton_->setObjectName(QStringLiteral("IDC_PACK"));
  fileList_->setObjectName(QStringLiteral("IDC_FILE_LIST"));
  selectButton_->setObjectName(QStringLiteral("IDC_SELECT_FILES"));
  basePathEdit_->setObjectName(QStringLiteral("IDC_BASE_PATH"));
  compressBox_->setObjectName(QStringLiteral("IDC_COMPRESS"));

  const CDialogUnits units(font());
  const auto place = [&units](QWidget* control, const Place& at) {
    control->setGeometry(units.ToPixels(at.x, at.y, at.width, at.height));
  };
  place(packButton_, kPackPlace);
  place(fileList_, kFileListPlace);
  place(selectButton_, kSelectPlace);
  place(basePathEdit_, kBasePathEditPlace);
  place(basePathLabel_, kBasePathLabelPlace);
  place(compressBox_, kCompressPlace);
  setFixedSize(units.ToPixels(kDialogWidth, kDialogHeight));

  // No button is the default one: Enter presses only the button that has
  // the focus (keyPressEvent).
  for (QPushButton* button : {packButton_, selectButton_}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  // Long rows are cut in the middle, so that the file name stays in sight.
  fileList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fileList_->setTextElideMode(Qt::ElideMiddle);
  fileList_->SetHintSource([this](int row) {
    return QFile::decodeName(QByteArray::fromStdString(
        presenter_.StoredNameHint(static_cast<size_t>(row))));
  });
  // The label stands left of the box.
  compressBox_->setLayoutDirection(Qt::RightToLeft);

  setTabOrder(packButton_, fileList_);
  setTabOrder(fileList_, selectButton_);
  setTabOrder(selectButton_, basePathEdit_);
  setTabOrder(basePathEdit_, compressBox_);
  ConnectControls();
}

void CVarnokDlg::ConnectControls() {
  connect(selectButton_, &QPushButton::clicked, this,
          [this] { presenter_.OnSelectFiles(); });
  connect(packButton_, &QPushButton::clicked, this,
          [this] { presenter_.OnPack(); });
  connect(compressBox_, &QCheckBox::clicked, this,
          [this] { presenter_.OnCompress(); });
  connect(fileList_, &CFileList::folderDropped, this,
          [this](const std::string& folder) {
            if (!presenter_.busy()) presenter_.SelectFolder(folder);
          });
  // Archives open in windows of their own; the dialog stays as it is.
  connect(fileList_, &CFileList::archivesDropped, this,
          [this](const std::vector<std::string>& archives) {
            for (const std::string& archive : archives) {
              CArchiveWindow::Open(archive, nullptr, this);
            }
          });
  connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated,
          this, [this] { CArchiveWindow::AskAndOpen(nullptr, this); });
}

void CVarnokDlg::ShowRows(const std::vector<std::string>& rows) {
  fileList_->SetRows(rows);
}

std::string CVarnokDlg::BasePath() const {
  return QFile::encodeName(basePathEdit_->text()).toStdString();
}

void CVarnokDlg::SetBasePath(const std::string& basePath) {
  basePathEdit_->setText(QFile::decodeName(QByteArray::fromStdString(basePath)));
}

bool CVarnokDlg::CompressChecked() const { return compressBox_->isChecked(); }

void CVarnokDlg::SetCompressChecked(bool checked) {
  compressBox_->setChecked(checked);
}

Status CVarnokDlg::RunInBackground(const std::function<void()>& work,
                                   CRunMonitor* monitor) {
  return RunShowingProgress(this, work, monitor);
}

void CVarnokDlg::keyPressEvent(QKeyEvent* event) {
  const bool enter =
      (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier) ||
      (event->key() == Qt::Key_Enter &&
       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier);
  if (!enter) {
    QDialog::keyPressEvent(event);  // Escape ends the dialog there
    return;
  }
  if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
    button->click();
  } else {
    accept();
  }
}

void CVarnokDlg::closeEvent(QCloseEvent* event) {
  if (presenter_.busy()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace varnok
