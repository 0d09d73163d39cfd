// The main dialog's list of files to pack.
//
// Each row keeps its path's exact bytes (PathRole), which are what a pack
// uses, and shows the path decoded for display: a name that is not valid
// UTF-8 shows replacement characters but packs as the file system spells it.
// Rows stand in the list's order (path_order.h).
//
// Resting the pointer on a row shows the hint that the owner gives for its
// path. A single local folder dropped onto the list is reported through
// folderDropped.

#ifndef VARNOK_UI_FILE_LIST_H_
#define VARNOK_UI_FILE_LIST_H_

#include <functional>
#include <string>
#include <vector>

#include <QListWidget>
#include <QString>

namespace varnok {

class CFileList : public QListWidget {
  Q_OBJECT

 public:
  // The item data role that holds a row's path bytes (a QByteArray).
  static constexpr int PathRole = Qt::UserRole + 1;

  explicit CFileList(QWidget* parent = nullptr);

  // Replaces every row by paths, put into the list's order.
  void SetPaths(std::vector<std::string> paths);

  // The paths of all rows, byte for byte, from the first row to the last.
  std::vector<std::string> Paths() const;
  std::string PathAt(int row) const;

  // How a path is described when the pointer rests on its row.
  void SetHintSource(std::function<QString(const std::string&)> hint);

 signals:
  // A single local folder was dropped onto the list; folder holds its path
  // bytes.
  void folderDropped(const std::string& folder);

 protected:
  bool viewportEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::function<QString(const std::string&)> hint_;
};

}  // namespace varnok

#endif  // VARNOK_UI_FILE_LIST_H_
