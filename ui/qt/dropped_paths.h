// What a drag from a file manager carries, as path bytes: the paths are
// taken from the URLs' percent-encoding, so that a name that is not valid
// UTF-8 keeps its bytes.

#ifndef VARNOK_UI_QT_DROPPED_PATHS_H_
#define VARNOK_UI_QT_DROPPED_PATHS_H_

#include <optional>
#include <string>
#include <vector>

class QMimeData;

namespace varnok {

// The local files and folders that mime carries, in its order.
std::vector<std::string> DroppedPaths(const QMimeData* mime);

// The one local folder that mime carries, or nothing.
std::optional<std::string> DroppedFolder(const QMimeData* mime);

// The local files that mime carries and that are taken for archives
// (TakesForArchive), to be opened; empty when it carries none.
std::vector<std::string> DroppedArchives(const QMimeData* mime);

}  // namespace varnok

#endif  // VARNOK_UI_QT_DROPPED_PATHS_H_
