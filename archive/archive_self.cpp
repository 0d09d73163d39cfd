#include "archive/archive_self.h"

#include <cstdint>
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

Status CArchiveSelf::LeaveOut(std::vector<std::string>& paths,
                              std::vector<std::string>* temporaryFiles) const {
  // One look at each path; most fail on their name alone, and only an
  // existing archive makes the others ask the file system.
  enum Kind : uint8_t { kKept, kTemporary, kArchive };
  std::vector<Kind> kinds(paths.size(), kKept);
  const std::string* archive = nullptr;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (IsTemporaryFile(paths[i])) {
      kinds[i] = kTemporary;
    } else if (IsArchive(paths[i])) {
      kinds[i] = kArchive;
      archive = &paths[i];
    }
  }
  if (archive != nullptr && !HoldsAnArchive(*archive)) {
    return Status::BadRequest(messages::kArchiveReplacesSource, archive_);
  }
  size_t kept = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (kinds[i] == kTemporary) temporaryFiles->push_back(std::move(paths[i]));
    if (kinds[i] != kKept) continue;
    if (kept != i) paths[kept] = std::move(paths[i]);
    ++kept;
  }
  paths.resize(kept);
  return Status::Ok();
}

}  // namespace varnok
