#include "ui/qt/file_list.h"

#include <optional>
#include <utility>

#include <QByteArray>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QHelpEvent>
#include <QMimeData>
#include <QToolTip>

#include "ui/qt/dropped_paths.h"

namespace varnok {

CFileList::CFileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
}

void CFileList::SetRows(const std::vector<std::string>& paths) {
  clear();
  for (const std::string& path : paths) {
    addItem(QFile::decodeName(QByteArray::fromStdString(path)));
  }
}

void CFileList::SetHintSource(std::function<QString(int row)> hint) {
  hint_ = std::move(hint);
}

bool CFileList::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip && hint_) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QListWidgetItem* row = itemAt(help->pos());
    if (row == nullptr) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(),
                         hint_(this->row(row)), viewport(),
                         visualItemRect(row));
    }
    return true;
  }
  return QListWidget::viewportEvent(event);
}

bool CFileList::Accepts(const QMimeData* mime) {
  return DroppedFolder(mime) || !DroppedArchives(mime).empty();
}

void CFileList::dragEnterEvent(QDragEnterEvent* event) {
  if (Accepts(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CFileList::dragMoveEvent(QDragMoveEvent* event) {
  if (Accepts(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CFileList::dropEvent(QDropEvent* event) {
  const std::optional<std::string> folder = DroppedFolder(event->mimeData());
  const std::vector<std::string> archives =
      DroppedArchives(event->mimeData());
  if (!folder && archives.empty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (folder) {
    emit folderDropped(*folder);
  } else {
    emit archivesDropped(archives);
  }
}

}  // namespace varnok
