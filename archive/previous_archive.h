// The archive a pack run replaces, read for entries that hold some of the
// run's files already.
//
// Only files that a run deflates are offered entries. A stored entry holds
// the file's own bytes: proving that it still does means reading the file
// and the entry, which costs more than storing the file again, and gives
// the same bytes.
//
// A deflated entry is offered for a file when it has the file's stored name
// and the file's size. The encoder then proves, byte by byte, that the entry
// holds the file, and checks that its zlib stream starts as its own deflate
// would make it, before it reuses the entry (see CEntryEncoder). Nothing is
// offered from a file that is missing or that fails the reader's layout
// checks (damaged, cut short, not a kzf archive).

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
    std::string_view name;  // stored name
    uint64_t size = 0;      // as measured before the run
    bool deflate = true;    // false: held unchanged, and offered nothing
  };

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
  CArchiveReader reader_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_PREVIOUS_ARCHIVE_H_
