// The archive window's table view: a QTableView whose rows drag out as
// files. When a drag starts, the owner's source makes the files (temporary
// copies of the selected entries) and gives their URLs; the drag carries
// them to a file manager, which copies them.

#ifndef VARNOK_UI_QT_ENTRY_TABLE_VIEW_H_
#define VARNOK_UI_QT_ENTRY_TABLE_VIEW_H_

#include <functional>
#include <utility>

#include <QList>
#include <QTableView>
#include <QUrl>

namespace varnok {

class CEntryTableView : public QTableView {
  Q_OBJECT

 public:
  explicit CEntryTableView(QWidget* parent = nullptr) : QTableView(parent) {}

  // Called as a drag starts; no URLs: no drag.
  void SetDragSource(std::function<QList<QUrl>()> source) {
    dragSource_ = std::move(source);
  }

 protected:
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  std::function<QList<QUrl>()> dragSource_;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_ENTRY_TABLE_VIEW_H_
