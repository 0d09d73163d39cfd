// The folder picker: Qt's own file dialog reshaped into a folder chooser.
//
// It lists the folders of the folder on display, has no file-name or
// file-type rows, and its buttons "Select" and "Cancel" stand side by side
// below the list. Select answers the folder ON DISPLAY, not a folder that is
// only highlighted in the list, as a full path in the caller's string; Cancel
// or closing leaves that string untouched.

#ifndef VARNOK_UI_QT_FOLDER_DIALOG_H_
#define VARNOK_UI_QT_FOLDER_DIALOG_H_

#include <QFileDialog>
#include <QString>

class QPushButton;

namespace varnok {

class CFolderDialog : public QFileDialog {
  Q_OBJECT

 public:
  // folderPath must outlive the dialog; it is written on Select and never
  // read.
  explicit CFolderDialog(QString* folderPath, QWidget* parent = nullptr);

  QPushButton* selectButton() const { return selectButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

 public slots:
  // Takes the folder on display and ends the dialog with Accepted. The file
  // dialog's own handling (opening a highlighted folder, taking a typed
  // name) never runs.
  void accept() override;

 private:
  // Hides the file-name and file-type rows and puts the button row under
  // the folder list.
  void Reshape();

  QString* folderPath_;
  QPushButton* selectButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_FOLDER_DIALOG_H_
