// The main dialog's list of files to pack.
//
// Each row shows a path decoded for display: a name that is not valid UTF-8
// shows replacement characters. The rows' bytes, which are what a pack uses,
// are the presenter's (ui/core/varnok_presenter.h); the list only shows
// them, in the order given.
//
// Resting the pointer on a row shows the hint that the owner gives for it.
// A single local folder dropped onto the list is reported through
// folderDropped; local files dropped onto it, through archivesDropped.

#ifndef VARNOK_UI_QT_FILE_LIST_H_
#define VARNOK_UI_QT_FILE_LIST_H_

#include <functional>
#include <string>
#include <vector>

#include <QListWidget>
#include <QString>

class QMimeData;

namespace varnok {

class CFileList : public QListWidget {
  Q_OBJECT

 public:
  explicit CFileList(QWidget* parent = nullptr);

  // Replaces every row by paths, in the order given.
  void SetRows(const std::vector<std::string>& paths);

  // How a row is described when the pointer rests on it.
  void SetHintSource(std::function<QString(int row)> hint);

 signals:
  // A single local folder was dropped onto the list; folder holds its path
  // bytes.
  void folderDropped(const std::string& folder);
  // Local files were dropped onto the list; archives holds their path
  // bytes.
  void archivesDropped(const std::vector<std::string>& archives);

 protected:
  bool viewportEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // True when mime carries a single folder, or files.
  static bool Accepts(const QMimeData* mime);

  std::function<QString(int row)> hint_;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_FILE_LIST_H_
