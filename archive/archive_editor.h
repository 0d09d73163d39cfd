// Changes an existing kzf archive: adds files, replaces, removes and renames
// entries, without the tree it was packed from.
//
// An edit writes a whole new archive through the pack engine (CArchiveWriter)
// and the same temporary file and rename, so every limit and refusal of a
// pack applies, and a failed or cancelled edit leaves the archive exactly as
// it was. An entry the edit keeps (renamed or not) is copied as it lies: its
// held bytes, method, sizes and CRC-32 as they are, the CRC checked while
// the bytes are copied; nothing is inflated or deflated again. Only added
// files are read and encoded, as a pack encodes them.
//
// Order: kept entries keep their relative order, and a replaced entry its
// place; an added or renamed name is merged in where a pack of the changed
// tree puts it (PathLess). An edit of an archive that a pack made therefore
// gives exactly the archive a pack of the changed tree gives.
//
// The archive being changed is read while the new one is written and closed
// before the new one takes its name.

#ifndef VARNOK_ARCHIVE_ARCHIVE_EDITOR_H_
#define VARNOK_ARCHIVE_ARCHIVE_EDITOR_H_

#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "base/status.h"

namespace varnok {

// A change to one archive, in exact stored names (as the archive spells
// them, '/' separators).
struct EditRequest {
  // The archive changed; replaced atomically, as a pack replaces it.
  std::string archiveName;
  // A file added, or replacing the entry already stored under name. path
  // is used exactly as given to open the file.
  struct File {
    std::string path;
    std::string name;
    bool store = false;  // held unchanged even when compress is set
  };
  std::vector<File> add;
  // Entries removed, by exact name.
  std::vector<std::string> remove;
  // Entries renamed, by exact name.
  struct Rename {
    std::string from, to;
  };
  std::vector<Rename> rename;
  // Added files deflated (unless store), at level, as a pack's option.
  bool compress = false;
  int level = kDefaultLevel;
  // A damaged kept entry is left out (and named in skipped) instead of
  // failing the edit.
  bool skipDamaged = false;
};

// What an edit changed (Plan: what it would change), each list in the new
// archive's order (removed and skipped: in the old archive's order).
struct EditOutcome {
  std::vector<std::string> added, replaced, removed, skipped;
  std::vector<EditRequest::Rename> renamed;
};

// Serves edits; one edit at a time.
class CArchiveEditor {
 public:
  // threads and limits: as for CArchiveWriter.
  explicit CArchiveEditor(unsigned threads = 0, PackLimits limits = {});
  CArchiveEditor(const CArchiveEditor&) = delete;
  CArchiveEditor& operator=(const CArchiveEditor&) = delete;

  // Makes every check Apply makes before it writes (with skipDamaged, the
  // kept entries' CRCs too), and writes nothing; fills *outcome.
  Status Plan(const EditRequest& request, EditOutcome* outcome);
  // Writes the changed archive. observer (may be null) sees progress as a
  // pack's, its bytes counting the held bytes copied as well as the source
  // bytes read, and may cancel.
  Status Apply(const EditRequest& request, PackObserver* observer,
               EditOutcome* outcome);
  // After an Apply that succeeded: as CArchiveWriter::warning.
  const Status& warning() const { return warning_; }

 private:
  const unsigned threads_;
  const PackLimits limits_;
  Status warning_;
};

// The exact renames that rename from to to: the entry named from, or, when
// from names a folder ("data/maps" or "data/maps/"), every entry beneath it,
// each with from's part of its name replaced by to. Fails, naming from, when
// it names nothing.
Status RenamesFor(const std::vector<ArchiveEntry>& entries,
                  std::string_view from, std::string_view to,
                  std::vector<EditRequest::Rename>* renames);

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_EDITOR_H_
