#include "archive/archive_self.h"

#include <algorithm>
#include <utility>

#include "platform/atomic_file.h"

namespace varnok {

CArchiveSelf::CArchiveSelf(std::string archive)
    : archive_(std::move(archive)), identity_(IdentifyFile(archive_)) {}

bool CArchiveSelf::Matches(const std::string& path) const {
  if (identity_ && IdentifyFile(path) == identity_) return true;
  return CAtomicFile::IsTemporaryFileOf(archive_, path);
}

void CArchiveSelf::RemoveFrom(std::vector<std::string>& paths) const {
  std::erase_if(paths,
                [this](const std::string& path) { return Matches(path); });
}

}  // namespace varnok
