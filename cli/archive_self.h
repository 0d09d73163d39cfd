// Recognises, among the files found beneath a folder, the archive that a pack
// is about to write, so that an archive saved inside the packed folder is
// never packed into itself.
//
// A file is that archive when it is the same file (device and inode, so any
// spelling of the path and any link to it counts), or when it is one of the
// pack engine's temporary files for it: ".NAME.XXXXXX" in the archive's
// folder (see archive/atomic_file.h), left behind by a run that was killed.

#ifndef VARNOK_CLI_ARCHIVE_SELF_H_
#define VARNOK_CLI_ARCHIVE_SELF_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace varnok {

class CArchiveSelf {
 public:
  // archive: the archive's path as the pack engine will be given it.
  explicit CArchiveSelf(const std::string& archive);

  // True when path names the archive or one of its temporary files.
  bool Matches(const std::string& path) const;

  // Removes from paths every one that Matches.
  void RemoveFrom(std::vector<std::string>& paths) const;

 private:
  struct FileId {
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId& other) const {
      return known && other.known && device == other.device &&
             inode == other.inode;
    }
  };
  static FileId IdOf(const std::string& path);
  bool IsTemporaryName(const std::string& name) const;

  FileId archive_;        // the archive, when it exists
  FileId folder_;         // the folder its temporary files go to
  std::string tempStart_;  // ".NAME." of its temporary files
};

}  // namespace varnok

#endif  // VARNOK_CLI_ARCHIVE_SELF_H_
