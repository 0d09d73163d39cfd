// The archive a pack run replaces, read for entries that hold some of the
// run's files already.
//
// Only files that a run deflates are offered entries. A stored entry holds
// the file's own bytes: proving that it still does means reading the file
// and the entry, which costs more than storing the file again, and gives
// the same bytes.
//
// A deflated entry is offered for a file when it has the file's stored name
// and the file's size; the encoder then proves, byte by byte, that the entry
// holds the file before it reuses it (see CEntryEncoder). Nothing is offered
// from a file that is missing or that fails the reader's layout checks
// (damaged, cut short, not a kzf archive).
//
// Nor is anything offered unless the archive's zlib streams are the ones
// this system's deflate makes. Those of another implementation or level
// inflate to the same files but differ in their bytes, and reusing them
// would make the new archive differ from a full pack. That is checked on a
// few of the files offered: the start of each is deflated afresh and
// compared with the start of its entry's held bytes, which costs a few
// milliseconds. A file changed since the archive was made fails the check
// too, so several are tried before the archive is given up.

#ifndef VARNOK_ARCHIVE_PREVIOUS_ARCHIVE_H_
#define VARNOK_ARCHIVE_PREVIOUS_ARCHIVE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/entry_encoder.h"

namespace varnok {

class CPreviousArchive {
 public:
  // One file of the run.
  struct File {
    const std::string* path = nullptr;
    std::string_view name;  // stored name
    uint64_t size = 0;      // as measured before the run
    bool deflate = true;    // false: held unchanged, and offered nothing
  };

  // Held bytes compared by the check of the archive's deflate, per file.
  static constexpr size_t kProbeBytes = 4096;
  // Files tried by that check before the archive is given up.
  static constexpr size_t kProbeFiles = 3;

  CPreviousArchive() = default;
  CPreviousArchive(const CPreviousArchive&) = delete;
  CPreviousArchive& operator=(const CPreviousArchive&) = delete;

  // Opens the archive at path, when the run deflates (compress), and returns
  // for each of files in turn the entry to offer; no entry (a null archive)
  // where there is none. Never fails. The entries are read through this
  // object, which must outlive their use.
  std::vector<EntryToReuse> Offer(const std::string& path, bool compress,
                                  const std::vector<File>& files);

 private:
  // True when deflating the file at path begins with the same kProbeBytes
  // (or, for a shorter entry, all) held bytes as entry index.
  bool DeflatesAlike(CEntryEncoder& encoder, const std::string& path,
                     size_t index);

  CArchiveReader reader_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_PREVIOUS_ARCHIVE_H_
