// The pack engine: turns one PackRequest into one complete kzf archive.
//
// The size of the table area and of the directory follows from the names
// alone, so one run reads and (when asked) deflates every source file once,
// streaming its held bytes into the data region while learning its packed
// size and CRC, and then writes the directory in front of the data. Input and
// output pass through fixed-size buffers: memory does not grow with file size.
//
// The archive is written to a temporary file in the target's folder and
// renamed over the target only once it is complete and synced to disk. A
// failed or cancelled run removes its temporary file; an existing archive of
// the same name is left untouched.
//
// When asked, a run that deflates at level 9 reuses what the archive it
// replaces holds already: a deflated entry with a file's stored name and
// size that proves to inflate to the file's bytes, and whose zlib stream
// has level 9's header and starts as deflating the file starts, is copied
// over instead of being deflated again (see CPreviousArchive and
// CEntryEncoder). The result is the archive a full run makes, unless an
// entry that another deflate made agrees with this one's stream over the
// probe and differs only later; a repack with few files changed takes a
// fraction of the time. The old archive is only read, beside the new one,
// and is closed before the new one takes its place. Runs at other levels
// reuse nothing.
//
// The engine shows nothing itself. Pack returns a Status whose message is one
// of base/messages.h, whose detail is the file concerned (a source file, or
// the archive) and whose reason is the system's explanation, where there is
// one.

#ifndef VARNOK_ARCHIVE_ARCHIVE_WRITER_H_
#define VARNOK_ARCHIVE_ARCHIVE_WRITER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_format.h"
#include "archive/encode_ahead_limits.h"
#include "archive/entry_encoder.h"
#include "base/status.h"

namespace varnok {

class CAtomicFile;
class CPreviousArchive;

// The inputs of one pack run.
struct PackRequest {
  // Source files in archive order. Each is a byte string used exactly as
  // given to open the file; the engine never rewrites it.
  std::vector<std::string> paths;
  // Where the archive is created: a full path, or one relative to the
  // process's current directory.
  std::string archiveName;
  // Each stored name is the tail of its path from the first occurrence of
  // this text (searched after backslashes became '/'; see StoredName).
  // Non-empty, unless names are given.
  std::string basePath;
  // Deflate every file (method 5) or store every file (method 4).
  bool compress = false;
  // When deflating at level 9, copy the entries of an existing archive at
  // archiveName that hold some of the files already instead of deflating
  // them again.
  bool reuse = true;
  // The stored names, one per path, in place of basePath: each is taken as
  // it stands, but for its backslashes, which become '/' as in a name cut
  // at the base path, and is checked as any other. Empty: names come from
  // basePath.
  std::vector<std::string> names;
  // Empty, or one per path: true holds that file unchanged (method 4) even
  // when compress is set.
  std::vector<bool> keepStored;
  // zlib's level when deflating, kFastestLevel to kDefaultLevel.
  int level = kDefaultLevel;
  // The names given are spelt as the archive spells them already (an
  // existing archive's names): they are checked, never converted.
  bool namesAsStored = false;
  // Empty, or one per path: an entry of an open archive that is copied as
  // it lies (held bytes, method, sizes and CRC-32, the CRC checked while
  // copied) in place of the file at path, which is then never read and
  // only names the entry in messages; a null archive reads the file. A
  // copied entry's name comes from names. Pack closes the archives copied
  // from once every held byte is written, before the new archive takes its
  // name (a system may refuse to replace an open file).
  std::vector<EntryToReuse> copies;
};

// One entry a request would make, as the checks before writing find it.
struct PlannedEntry {
  std::string name;
  uint64_t size = 0;  // of the source file, as measured
  uint8_t method = kMethodStored;
};

// How far a run has come. Totals are known before the first byte is read.
struct PackProgress {
  uint32_t entriesDone = 0;
  uint32_t entriesTotal = 0;
  uint64_t bytesDone = 0;  // source bytes read so far
  uint64_t bytesTotal = 0;
  uint32_t entriesReused = 0;  // of those done, copied from the old archive
};

// Receives progress from a running pack, on the thread that runs Pack.
class PackObserver {
 public:
  virtual ~PackObserver() = default;
  // Called often (after every buffer of input); must be cheap. Returning
  // false cancels the run, which then fails with Status::Cancelled().
  virtual bool OnProgress(const PackProgress& progress) = 0;
};

// How large one run lets the archive and its memory grow. The defaults are
// the format's limit and a memory budget that suits any machine; tests make
// them small enough to meet.
struct PackLimits {
  // Longest archive the run writes; a longer one fails with "Archive too
  // large" before it is complete.
  uint64_t archiveLength = kMaxArchiveLength;
  // How far the threads that deflate may run ahead of the writing thread.
  EncodeAheadLimits encodeAhead;
  // Longest archive that engines which read offsets as signed numbers can
  // load; a longer one is written all the same (see pastSignedLength).
  uint64_t signedArchiveLength = kMaxSignedArchiveLength;
  // Most entries the run writes; more fail with "Too many files".
  uint32_t entryCount = kMaxEntries;
};

// The name under which path is stored with basePath: path as the archive
// spells it (ToArchiveEncoding), with every backslash turned into '/', from
// the first occurrence of basePath, spelt likewise. Fails with "Name not
// representable in the system's code page" naming path or basePath when the
// system can't spell it, and with "Base path not found in file path" naming
// path when basePath does not occur in it. Safe to call from any thread.
Status StoredName(std::string_view path, std::string_view basePath,
                  std::string* name);

// The name under which request stores its path number index, as the
// archive spells it: StoredName with the request's base path, or the name
// given, each no longer than a stored name may be. Fails as StoredName
// does, or with "Path too long".
Status StoredNameOf(const PackRequest& request, size_t index,
                    std::string* name);

// Why name, a stored name as the archive spells it, would be unsafe to
// extract or would name its file in more than one way: one of
// CheckExtractName's reasons on this system, a drive letter in front
// (absolute on Windows), or an empty or "." component, which extraction
// passes over. Empty when it is none of these.
std::string UnsafeNameReason(std::string_view name);

// What of request the system's code page can't spell, where a pack fails
// with "Name not representable in the system's code page" (which names
// only the first): the base path alone when it is such, else every path
// whose stored name is, in request order. Empty on POSIX, where names are
// bytes. A message names the first kNamesShown of them and says how many
// more there are.
std::vector<std::string> NamesNotInCodePage(const PackRequest& request);
inline constexpr size_t kNamesShown = 10;

// Serves one pack run; construct one for each run.
//
// When it deflates, the writer compresses several files at once on worker
// threads, by default one per core this process may run on, and still writes
// them in request order: the archive and the failure reported are those of a
// run on one thread, and progress reaches the observer only on the thread
// that calls Pack. Storing runs on that thread alone.
class CArchiveWriter {
 public:
  CArchiveWriter() = default;
  // threads: how many threads deflate files. 0 (the default): one per core
  // this process may run on. 1: the thread that calls Pack does all the
  // work. n > 1: n worker threads, with the calling thread taking the files
  // too large for them.
  explicit CArchiveWriter(unsigned threads, PackLimits limits = {})
      : threads_(threads), limits_(limits) {}
  CArchiveWriter(const CArchiveWriter&) = delete;
  CArchiveWriter& operator=(const CArchiveWriter&) = delete;

  // Checks the request, then writes the archive. observer may be null.
  Status Pack(const PackRequest& request, PackObserver* observer = nullptr);
  // After a Pack that succeeded, what its user should still hear of (the
  // archive's folder could not be synced; see CAtomicFile::warning); Ok
  // when there is nothing.
  const Status& warning() const { return warning_; }
  // Makes every check Pack makes before it writes, and nothing more: fills
  // *entries with the entries the archive would hold, in order.
  Status Plan(const PackRequest& request, std::vector<PlannedEntry>* entries);

  // After a successful Pack: the archive's length in bytes, and whether it
  // is longer than the limits' signedArchiveLength.
  uint64_t archiveLength() const { return archiveLength_; }
  bool pastSignedLength() const {
    return archiveLength_ > limits_.signedArchiveLength;
  }

 private:
  // One archive entry as the run learns it.
  struct Entry {
    const std::string* path = nullptr;  // the request's own string
    std::string name;                   // stored name
    uint64_t sourceSize = 0;            // as measured by CheckRequest
    bool deflate = false;               // held as method 5
    EntryToReuse reuse;                 // an old entry that may hold it
    EntryToReuse copy;                  // an old entry copied as it lies
    EntryRecord record;
  };

  // Refuses a request that can't make an archive, before anything is
  // written, in the steps below, and fills entries_, the layout and the
  // progress totals.
  Status CheckRequest();
  // Refuses a request without files or with more than the format holds,
  // and a base path that can't start a name.
  Status CheckCounts() const;
  // Fills entries_ with each file's stored name; refuses a name that would
  // be unsafe to extract (UnsafeNameReason).
  Status NameEntries();
  // Refuses two files stored under one name.
  Status CheckNamesDiffer() const;
  // Measures each file; refuses one that is missing, not a file, or of
  // 2 GiB or more (a copied entry: as its record says).
  Status MeasureFiles();
  // Measures one file to read for entry.
  Status MeasureFile(Entry* entry);
  // Places the directory; refuses an archive that would be too long even
  // before anything is deflated.
  Status LayOut();
  // Finds the entries of the archive being replaced, read through previous,
  // that may hold the files already.
  void FindEntriesToReuse(CPreviousArchive* previous);
  // Writes every entry's held bytes into the data region, in entry order,
  // and completes each entry's record.
  Status AppendData(CAtomicFile* archive);
  // Writes the table area (header, pointer table, bucket table) and the
  // directory in front of the data.
  Status WriteDirectory(CAtomicFile* archive);
  // Tells the observer how far the run has come; fails when it cancels.
  Status ReportProgress();
  // How many worker threads deflate files ahead of the writing thread.
  unsigned WorkerCount() const;

  const unsigned threads_ = 0;
  const PackLimits limits_{};
  const PackRequest* request_ = nullptr;
  PackObserver* observer_ = nullptr;
  std::vector<Entry> entries_;
  uint32_t lastDirectoryByte_ = 0;  // offset of the zero byte
  uint64_t archiveLength_ = 0;      // once the data is written
  PackProgress progress_;
  Status warning_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_WRITER_H_
