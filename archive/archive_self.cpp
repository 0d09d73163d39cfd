#include "archive/archive_self.h"

#include <algorithm>
#include <utility>

#include "archive/archive_format.h"
#include "platform/atomic_file.h"
#include "platform/read_file.h"

namespace varnok {
namespace {

// True when the file at path starts as a kzf archive does.
bool HoldsAnArchive(const std::string& path) {
  CReadFile file;
  std::string reason;
  char start[sizeof kArchiveMagic];
  size_t got = 0;
  return file.Open(path, &reason) &&
         file.ReadAt(0, start, sizeof start, &got, &reason) &&
         HasArchiveMagic(std::string_view(start, got));
}

}  // namespace

CArchiveSelf::CArchiveSelf(std::string archive)
    : archive_(std::move(archive)), identity_(IdentifyFile(archive_)) {}

bool CArchiveSelf::IsArchive(const std::string& path) const {
  return identity_ && IdentifyFile(path) == identity_;
}

bool CArchiveSelf::IsTemporaryFile(const std::string& path) const {
  return CAtomicFile::IsTemporaryFileOf(archive_, path);
}

Status CArchiveSelf::LeaveOut(std::vector<std::string>& paths) const {
  // Most runs write an archive that doesn't exist yet, or one outside the
  // packed folder: then only the names of temporary files can match.
  const auto archive =
      std::find_if(paths.begin(), paths.end(),
                   [this](const std::string& path) { return IsArchive(path); });
  if (archive != paths.end() && !HoldsAnArchive(*archive)) {
    return Status::BadRequest(messages::kArchiveReplacesSource, archive_);
  }
  std::erase_if(paths, [this](const std::string& path) {
    return IsTemporaryFile(path) || IsArchive(path);
  });
  return Status::Ok();
}

}  // namespace varnok
