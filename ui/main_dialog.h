// The main dialog: the list of files to pack, the base path, the compress
// option and the three commands.
//
// "&Select files to pack" lets the user pick a folder and lists every file
// beneath it; "&Compress" switches the compress option, warning each time it
// is switched on; "&Varnok" asks for an archive name and packs the list.
// Between commands the dialog's state is what its three controls hold.
//
// Scans and packs run off the interface thread; the window keeps painting
// while they run and takes no input until they end. A pack that runs longer
// than half a second shows its progress with a Cancel button.
//
// Closing the window, Escape, and Enter while no push button has the focus
// end the dialog. Enter on a push button presses it.

#ifndef VARNOK_UI_MAIN_DIALOG_H_
#define VARNOK_UI_MAIN_DIALOG_H_

#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QIcon>
#include <QString>

#include "archive/archive_writer.h"
#include "base/status.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnok {

class CFileList;
class CManualCheckBox;
class Prompts;

// Carries out one pack run; the dialog uses a fresh CArchiveWriter unless
// it is given another.
using PackFunction =
    std::function<Status(const PackRequest&, PackObserver*)>;

class CVarnokDlg : public QDialog {
  Q_OBJECT

 public:
  // prompts answers the dialog's questions; null means the user does, through
  // CDialogPrompts. A given prompts must outlive the dialog.
  explicit CVarnokDlg(Prompts* prompts = nullptr, QWidget* parent = nullptr);
  ~CVarnokDlg() override;

  void SetPackFunction(PackFunction pack);

  // The commands.
  void OnSelectFiles();
  void OnPack();
  void OnCompress();

  // Replaces the list by every file beneath folder (path bytes), as a
  // confirmed selection does.
  void SelectFolder(const std::string& folder);
  // Selects the folder a user named (path bytes, full or relative to the
  // current folder) by its full path, as if it had been picked; a name that
  // is no folder is refused with a message, and the list stays as it was.
  void OpenFolder(const std::string& name);

  CFileList* fileList() const { return fileList_; }
  QLineEdit* basePathEdit() const { return basePathEdit_; }
  CManualCheckBox* compressBox() const { return compressBox_; }
  QPushButton* packButton() const { return packButton_; }
  QPushButton* selectButton() const { return selectButton_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  // Runs request on a thread of its own; shows progress after a while.
  Status RunPack(const PackRequest& request);
  // What the list's pointer hint says about path.
  QString StoredNameHint(const std::string& path) const;
  void ShowMessage(const QString& text, const QString& informative = {});
  // Shows a failure's message, with its detail and reason below it.
  void ShowFailure(const Status& status);

  std::unique_ptr<Prompts> ownPrompts_;
  Prompts* prompts_;
  PackFunction pack_;
  // True while a scan or a pack runs; the dialog then does not close and
  // takes no dropped folder.
  bool busy_ = false;

  QIcon appIcon_;
  // The controls, in tab order.
  QPushButton* packButton_ = nullptr;
  CFileList* fileList_ = nullptr;
  QPushButton* selectButton_ = nullptr;
  QLineEdit* basePathEdit_ = nullptr;
  QLabel* basePathLabel_ = nullptr;
  CManualCheckBox* compressBox_ = nullptr;
};

}  // namespace varnok

#endif  // VARNOK_UI_MAIN_DIALOG_H_
