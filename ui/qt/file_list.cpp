#include "ui/qt/file_list.h"

#include <filesystem>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QHelpEvent>
#include <QList>
#include <QMimeData>
#include <QToolTip>
#include <QUrl>

namespace varnok {
namespace {

// The path bytes of the one local folder that mime carries, or nothing. The
// path is taken from the URL's percent-encoding, so that a name that is not
// valid UTF-8 keeps its bytes.
std::optional<std::string> DroppedFolder(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
  const QByteArray encoded =
      urls.first().path(QUrl::FullyEncoded).toLatin1();
  const std::string folder = QByteArray::fromPercentEncoding(encoded)
                                 .toStdString();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
  return folder;
}

}  // namespace

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

void CFileList::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFolder(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CFileList::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedFolder(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CFileList::dropEvent(QDropEvent* event) {
  const std::optional<std::string> folder = DroppedFolder(event->mimeData());
  if (!folder) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  emit folderDropped(*folder);
}

}  // namespace varnok
