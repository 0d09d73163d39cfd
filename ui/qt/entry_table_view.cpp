#include "ui/qt/entry_table_view.h"

#include <QDrag>
#include <QMimeData>

namespace varnok {

void CEntryTableView::startDrag(Qt::DropActions) {
  if (!dragSource_) return;
  const QList<QUrl> urls = dragSource_();
  if (urls.isEmpty()) return;
  auto* drag = new QDrag(this);
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace varnok
