// The main dialog's Qt face: the list of files to pack, the base path, the
// compress option and the three commands, which CVarnokPresenter carries
// out (ui/core/varnok_presenter.h).
//
// Scans and packs run off the interface thread; the window keeps painting
// while they run and takes no input until they end. One that runs longer
// than half a second shows its progress with a Cancel button.
//
// Closing the window, Escape, and Enter while no push button has the focus
// end the dialog. Enter on a push button presses it. Ctrl+O, and archives
// dropped on the list, open archive windows beside the dialog.

#ifndef VARNOK_UI_QT_MAIN_DIALOG_H_
#define VARNOK_UI_QT_MAIN_DIALOG_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QIcon>

#include "ui/core/dialog_view.h"
#include "ui/core/varnok_presenter.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnok {

class CFileList;
class CManualCheckBox;
class Prompts;

class CVarnokDlg : public QDialog, private DialogView {
  Q_OBJECT

 public:
  // prompts answers the dialog's questions; null means the user does, through
  // CDialogPrompts. A given prompts must outlive the dialog.
  explicit CVarnokDlg(Prompts* prompts = nullptr, QWidget* parent = nullptr);
  ~CVarnokDlg() override;

  CVarnokPresenter& presenter() { return presenter_; }

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
  // Forwards the controls' input to the presenter; dropped archives and
  // Ctrl+O open archive windows.
  void ConnectControls();

  // DialogView.
  void ShowRows(const std::vector<std::string>& rows) override;
  std::string BasePath() const override;
  void SetBasePath(const std::string& basePath) override;
  bool CompressChecked() const override;
  void SetCompressChecked(bool checked) override;
  Status RunInBackground(const std::function<void()>& work,
                         CRunMonitor* monitor) override;

  std::unique_ptr<Prompts> ownPrompts_;
  CVarnokPresenter presenter_;

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

#endif  // VARNOK_UI_QT_MAIN_DIALOG_H_
