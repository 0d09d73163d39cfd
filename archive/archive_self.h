// Keeps the archive that a pack is about to write out of the files it packs,
// so that an archive saved inside the packed folder is never packed into
// itself, and a file being packed is never overwritten by the archive.
//
// A file among them is that archive when it is the same file (any spelling
// of the path and any link to it counts). Its temporary files are the ones
// that writing it makes (see platform/atomic_file.h), left behind by a run
// that was killed.

#ifndef VARNOK_ARCHIVE_ARCHIVE_SELF_H_
#define VARNOK_ARCHIVE_ARCHIVE_SELF_H_

#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/file_system.h"

namespace varnok {

class CArchiveSelf {
 public:
  // archive: the archive's path as the pack engine will be given it.
  explicit CArchiveSelf(std::string archive);

  // True when path names the archive, as it is now.
  bool IsArchive(const std::string& path) const;
  // True when path names one of the archive's temporary files.
  bool IsTemporaryFile(const std::string& path) const;

  // Removes the archive's temporary files from paths, and the archive
  // itself when it is a kzf archive, which the new one replaces. The
  // temporary files go to *temporaryFiles, in the order of paths, for the
  // caller to name: no file is left out without a word. When the archive is
  // among paths but is some other file, the pack would destroy a file it
  // packs: fails with "Archive would replace a file being packed" and the
  // archive as detail, leaving paths as they were. Called by both programs
  // once the archive's name is known, before the pack.
  Status LeaveOut(std::vector<std::string>& paths,
                  std::vector<std::string>* temporaryFiles) const;

 private:
  const std::string archive_;
  const std::optional<FileIdentity> identity_;  // when the archive exists
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_SELF_H_
