// Tells whether packing a request would give exactly the archive that lies
// at its target already, and if not, which stored names packing would add,
// remove or change.
//
// An entry is unchanged when packing its file would give exactly its record
// and held bytes. Names, order, methods and sizes come from the request's
// checks (CArchiveWriter::Plan) and the archive's directory; what is left is
// the comparison a repack makes before it reuses an entry
// (CEntryEncoder::Compare), made for every entry, on several threads,
// reading no more of a file or an entry than it takes to find a difference,
// and writing nothing:
//   - a stored entry must hold the file's bytes;
//   - a deflated entry, when the run deflates at level 9 and the archive's
//     streams prove to be this system's deflate (as CPreviousArchive checks
//     them), must inflate to the file's bytes; deflate being deterministic,
//     its stream is then the one deflating the file gives;
//   - any other deflated entry must hold exactly the stream that deflating
//     the file gives, which takes a full deflate.
// Archives whose names, in order, and entries agree are the same bytes:
// every other byte follows from them (archive_format.h), and the reader
// refuses an archive with any byte out of place.

#ifndef VARNOK_ARCHIVE_ARCHIVE_DIFF_H_
#define VARNOK_ARCHIVE_ARCHIVE_DIFF_H_

#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "base/status.h"

namespace varnok {

struct ArchiveDifference {
  enum class Kind {
    kAdded,    // packing would store a file under a name the archive lacks
    kRemoved,  // the archive holds an entry packing would not write
    kChanged,  // packing would write the name, but not this entry, or not
               // in this place
  };
  Kind kind = Kind::kChanged;
  std::string name;
};

class CArchiveDiff {
 public:
  // threads: how many files are compared at once; 0 for one per core this
  // process may run on.
  explicit CArchiveDiff(unsigned threads = 0) : threads_(threads) {}

  // Compares the archive at request.archiveName with what packing request
  // would write there. Fails as Plan does for a request that can't be
  // packed, as the reader does for an archive that can't be read, and with
  // "Can't read file" for a file that can't; otherwise fills *differences
  // with every difference: the added and changed names in the request's
  // order, then the removed ones in the archive's. None: the same archive.
  Status Compare(const PackRequest& request,
                 std::vector<ArchiveDifference>* differences);

 private:
  const unsigned threads_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_DIFF_H_
