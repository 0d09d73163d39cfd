#include "ui/main_dialog.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include <QApplication>
#include <QByteArray>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>

#include "archive/archive_self.h"
#include "base/version.h"
#include "scan/pack_list.h"
#include "ui/app_icon.h"
#include "ui/background_job.h"
#include "ui/dialog_units.h"
#include "ui/file_list.h"
#include "ui/manual_check_box.h"
#include "ui/pack_monitor.h"
#include "ui/prompts.h"

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

// The start values.
constexpr char kDefaultBasePath[] = "data/";

// A pack that runs longer than this shows its progress.
constexpr int kProgressDelayMs = 500;
// How often shown progress is brought up to date.
constexpr int kProgressIntervalMs = 100;
// Steps of the progress bar.
constexpr int kProgressSteps = 1000;

// Unreadable folders that the message after a scan names one by one.
constexpr size_t kUnreadableFoldersShown = 5;

QByteArray ToBytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// The message after a scan that could not read folders: how many there
// were, and below it the first of them with the system's reasons.
struct Message {
  QString text;
  QString informative;
};
Message UnreadableFoldersMessage(const std::vector<UnreadableFolder>& folders) {
  Message message;
  message.text = folders.size() == 1
                     ? QString::fromLatin1(messages::kUnreadableFolder)
                     : QString::fromLatin1(messages::kUnreadableFolders)
                           .arg(folders.size());
  QStringList lines;
  for (size_t i = 0; i < folders.size() && i < kUnreadableFoldersShown; ++i) {
    lines.append(QFile::decodeName(ToBytes(folders[i].path)) +
                 QStringLiteral(": ") +
                 QString::fromStdString(folders[i].reason));
  }
  if (folders.size() > kUnreadableFoldersShown) {
    lines.append(QString::fromLatin1(messages::kMoreUnreadableFolders)
                     .arg(folders.size() - kUnreadableFoldersShown));
  }
  message.informative = lines.join(QLatin1Char('\n'));
  return message;
}

void ShowProgress(QProgressDialog* dialog, const PackProgress& progress) {
  const QLocale locale;
  dialog->setLabelText(
      QStringLiteral("Files: %1 of %2\nData: %3 of %4")
          .arg(progress.entriesDone)
          .arg(progress.entriesTotal)
          .arg(locale.formattedDataSize(
              static_cast<qint64>(progress.bytesDone)))
          .arg(locale.formattedDataSize(
              static_cast<qint64>(progress.bytesTotal))));
  uint64_t done = progress.bytesDone;
  uint64_t total = progress.bytesTotal;
  if (total == 0) {
    done = progress.entriesDone;
    total = progress.entriesTotal;
  }
  const uint64_t step =
      total == 0 ? 0 : std::min(done, total) * kProgressSteps / total;
  dialog->setValue(static_cast<int>(step));
}

}  // namespace

CVarnokDlg::CVarnokDlg(Prompts* prompts, QWidget* parent)
    // An application window, with a task-bar button of its own, that has a
    // caption and a close box but no minimise or maximise box.
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      prompts_(prompts),
      pack_([](const PackRequest& request, PackObserver* observer) {
        return CArchiveWriter().Pack(request, observer);
      }),
      appIcon_(LoadAppIcon()) {
  if (prompts_ == nullptr) {
    ownPrompts_ = std::make_unique<CDialogPrompts>();
    prompts_ = ownPrompts_.get();
  }
  setWindowTitle(QStringLiteral("Varnok V") + QLatin1String(kShortVersion));
  setWindowIcon(appIcon_);
  BuildControls();

  basePathEdit_->setText(QString::fromLatin1(kDefaultBasePath));
  compressBox_->setChecked(false);
  packButton_->setFocus();
}

CVarnokDlg::~CVarnokDlg() = default;

void CVarnokDlg::SetPackFunction(PackFunction pack) {
  pack_ = std::move(pack);
}

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
  fileList_->SetHintSource(
      [this](const std::string& path) { return StoredNameHint(path); });
  // The label stands left of the box.
  compressBox_->setLayoutDirection(Qt::RightToLeft);

  setTabOrder(packButton_, fileList_);
  setTabOrder(fileList_, selectButton_);
  setTabOrder(selectButton_, basePathEdit_);
  setTabOrder(basePathEdit_, compressBox_);

  connect(selectButton_, &QPushButton::clicked, this,
          &CVarnokDlg::OnSelectFiles);
  connect(packButton_, &QPushButton::clicked, this, &CVarnokDlg::OnPack);
  connect(compressBox_, &QCheckBox::clicked, this, &CVarnokDlg::OnCompress);
  connect(fileList_, &CFileList::folderDropped, this,
          [this](const std::string& folder) {
            if (!busy_) SelectFolder(folder);
          });
}

void CVarnokDlg::OnSelectFiles() {
  QString folder;
  if (!prompts_->ChooseFolder(this, &folder)) return;
  SelectFolder(QFile::encodeName(folder).toStdString());
}

void CVarnokDlg::SelectFolder(const std::string& folder) {
  fileList_->clear();
  PackList list;
  busy_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  {
    // The scanner's walk (ClearFolders, SetRoot(folder, recurse),
    // ClearFoundFiles, FindFiles("*.*", files only)), shared with kzf so
    // that both list the same files in the same order.
    CBackgroundJob scan([&list, &folder] {
      try {
        list = ListFilesToPack(folder);
      } catch (const std::bad_alloc&) {
        list = PackList();
      }
    });
    scan.Wait(-1, QEventLoop::ExcludeUserInputEvents);
  }
  QApplication::restoreOverrideCursor();
  busy_ = false;
  fileList_->SetPaths(std::move(list.paths));
  // The list keeps what was found; the user learns what is missing.
  if (!list.unreadableFolders.empty()) {
    const Message message = UnreadableFoldersMessage(list.unreadableFolders);
    ShowMessage(message.text, message.informative);
  }
}

void CVarnokDlg::OpenFolder(const std::string& name) {
  std::string folder;
  const Status found = FindFolderToPack(name, &folder);
  if (!found.ok()) {
    ShowFailure(found);
    return;
  }
  SelectFolder(folder);
}

void CVarnokDlg::OnPack() {
  const std::optional<QString> archiveName =
      prompts_->ChooseArchiveName(this);
  if (!archiveName) return;

  const QString basePath = basePathEdit_->text();
  if (basePath.isEmpty()) {
    ShowMessage(QString::fromLatin1(messages::kEmptyBasePath));
    return;
  }

  Status status;
  try {
    PackRequest request;
    request.paths = fileList_->Paths();
    request.archiveName = QFile::encodeName(*archiveName).toStdString();
    request.basePath = QFile::encodeName(basePath).toStdString();
    request.compress = compressBox_->isChecked();
    // An archive saved inside the packed folder is not packed into the new
    // one; a file being packed is not overwritten by it.
    status = CArchiveSelf(request.archiveName).LeaveOut(request.paths);
    if (status.ok()) {
      busy_ = true;
      status = RunPack(request);
      busy_ = false;
    }
  } catch (const std::bad_alloc&) {
    busy_ = false;
    status = Status::OutOfMemory();
  }

  if (status.ok()) {
    ShowMessage(QString::fromLatin1(messages::kDone));
  } else if (!status.cancelled()) {
    ShowFailure(status);
  }
}

void CVarnokDlg::OnCompress() {
  if (!compressBox_->isChecked()) {
    ShowMessage(QString::fromLatin1(messages::kCompressWarning));
    compressBox_->setChecked(true);
  } else {
    compressBox_->setChecked(false);
  }
}

Status CVarnokDlg::RunPack(const PackRequest& request) {
  CPackMonitor monitor;
  Status status;
  CBackgroundJob job([this, &request, &monitor, &status] {
    try {
      status = pack_(request, &monitor);
    } catch (const std::bad_alloc&) {
      status = Status::OutOfMemory();
    }
  });
  if (job.Wait(kProgressDelayMs, QEventLoop::ExcludeUserInputEvents)) {
    return status;
  }

  QProgressDialog progress(this);
  progress.setWindowTitle(QCoreApplication::applicationName());
  progress.setWindowModality(Qt::WindowModal);
  progress.setAutoReset(false);
  progress.setAutoClose(false);
  progress.setMinimumDuration(0);
  progress.setRange(0, kProgressSteps);
  progress.setCancelButtonText(QStringLiteral("Cancel"));
  connect(&progress, &QProgressDialog::canceled, &job, [&monitor, &job] {
    monitor.Cancel();
    job.StopWaiting();
  });
  ShowProgress(&progress, monitor.latest());
  progress.show();
  while (!monitor.cancelled() &&
         !job.Wait(kProgressIntervalMs, QEventLoop::AllEvents)) {
    ShowProgress(&progress, monitor.latest());
  }
  // A cancelled run ends at its next progress report.
  job.Wait(-1, QEventLoop::ExcludeUserInputEvents);
  return status;
}

QString CVarnokDlg::StoredNameHint(const std::string& path) const {
  const QString basePath = basePathEdit_->text();
  if (basePath.isEmpty()) {
    return QStringLiteral("Enter a base path to see the stored name");
  }
  std::string name;
  const Status status =
      StoredName(path, QFile::encodeName(basePath).toStdString(), &name);
  if (!status.ok()) return QString::fromStdString(status.message());
  return QStringLiteral("Stored as %1").arg(QFile::decodeName(ToBytes(name)));
}

void CVarnokDlg::ShowMessage(const QString& text, const QString& informative) {
  prompts_->ShowMessage(this, text, informative);
}

void CVarnokDlg::ShowFailure(const Status& status) {
  // The path concerned, then the system's explanation, below the message.
  QString informative = QFile::decodeName(ToBytes(status.detail()));
  if (!status.reason().empty()) {
    if (!informative.isEmpty()) informative += QStringLiteral(": ");
    informative += QString::fromStdString(status.reason());
  }
  ShowMessage(QString::fromStdString(status.message()), informative);
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
  if (busy_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace varnok
