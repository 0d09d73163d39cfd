// Tells whether packing a request would give the archive that lies at its
// target already, as a repack over it would, and if not, which stored names
// packing would add, remove or change.
//
// Names, order, methods and sizes come from the request's checks
// (CArchiveWriter::Plan) and the archive's directory. What is left is the
// comparison a repack makes before it reuses an entry
// (CEntryEncoder::Compare), made for every entry, on several threads,
// reading no more of a file or an entry than it takes to find a difference,
// and writing nothing:
//   - a stored entry must hold the file's bytes;
//   - a deflated entry, when the run deflates at level 9, must inflate to
//     the file's bytes, and its zlib stream must have the header of level 9
//     and pass the encoder's probe (the whole stream of a file of up to
//     CEntryEncoder::kWholeProbeBytes, the start of a longer one's);
//   - any other deflated entry must hold exactly the stream that deflating
//     the file gives, which takes a full deflate.
// Archives whose names, in order, and entries agree are the same bytes:
// every other byte follows from them (archive_format.h), and the reader
// refuses an archive with any byte out of place. So no difference means
// that a repack would leave the archive's bytes as they are, and, but for
// a level-9 stream that differs only past its probe, that a full pack
// would too.

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
  // process may run on. Where the system starts fewer threads, the others
  // take their share.
  explicit CArchiveDiff(unsigned threads = 0) : threads_(threads) {}

  // Compares the archive at request.archiveName with what packing request
  // would write there. Fails as Plan does for a request that can't be
  // packed, as the reader does for an archive that can't be read, and with
  // "Can't read file" for a file that can't, and with "Not enough memory"
  // when a comparison runs out of it; otherwise fills *differences with
  // every difference: the added and changed names in the request's order,
  // then the removed ones in the archive's. None: the same archive.
  Status Compare(const PackRequest& request,
                 std::vector<ArchiveDifference>* differences);

 private:
  const unsigned threads_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_DIFF_H_
