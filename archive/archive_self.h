// Recognises, among the files found beneath a folder, the archive that a pack
// is about to write, so that an archive saved inside the packed folder is
// never packed into itself.
//
// A file is that archive when it is the same file (any spelling of the path
// and any link to it counts), or when it is one of the temporary files that
// writing it makes (see platform/atomic_file.h), left behind by a run that
// was killed.

#ifndef VARNOK_ARCHIVE_ARCHIVE_SELF_H_
#define VARNOK_ARCHIVE_ARCHIVE_SELF_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace varnok {

class CArchiveSelf {
 public:
  // archive: the archive's path as the pack engine will be given it.
  explicit CArchiveSelf(std::string archive);

  // True when path names the archive or one of its temporary files.
  bool Matches(const std::string& path) const;

  // Removes from paths every one that Matches.
  void RemoveFrom(std::vector<std::string>& paths) const;

 private:
  const std::string archive_;
  const std::optional<FileIdentity> identity_;  // when the archive exists
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_SELF_H_
