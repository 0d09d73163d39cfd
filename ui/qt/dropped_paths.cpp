#include "ui/qt/dropped_paths.h"

#include <filesystem>

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QUrl>

#include "ui/core/archive_table.h"

namespace varnok {
std::vector<std::string> DroppedPaths(const QMimeData* mime) {
  std::vector<std::string> paths;
  if (mime == nullptr || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    paths.push_back(QByteArray::fromPercentEncoding(encoded).toStdString());
  }
  return paths;
}

namespace {

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

std::optional<std::string> DroppedFolder(const QMimeData* mime) {
  const std::vector<std::string> paths = DroppedPaths(mime);
  if (paths.size() != 1 || !IsFolder(paths.front())) return std::nullopt;
  return paths.front();
}

std::vector<std::string> DroppedArchives(const QMimeData* mime) {
  std::vector<std::string> archives;
  for (std::string& path : DroppedPaths(mime)) {
    if (TakesForArchive(path)) archives.push_back(std::move(path));
  }
  return archives;
}

}  // namespace varnok
