// Reads a kzf archive: checks its layout, lists its entries, verifies and
// streams their bytes.
//
// An archive is untrusted input. Open checks every rule of the layout before
// any value is used (see archive_format.h and doc/format.md): the header, the
// pointer table, the bucket count and slots, every directory record and its
// name, the zero byte after the directory, the data offsets and the file's
// length. Every offset and length is checked in 64-bit arithmetic before it
// is used, so a malformed archive yields a Status, never an over-read.
//
// Memory stays bounded: the reader holds the tables and the directory (at
// most 65535 records with names of at most 511 bytes) and reads entry data
// through fixed-size buffers, never the whole archive.
//
// Once Open has succeeded, entries may be read, verified and found on
// several threads at once: reads are positional and each call keeps its
// buffers to itself. Open must not run beside them.
//
// A failed Status carries one of the reading messages of base/messages.h,
// the archive's path as detail, and a reason that names the place and the
// fault, as in "entry 3 (data/x.png): data offset 1234, expected 1200".

#ifndef VARNOK_ARCHIVE_ARCHIVE_READER_H_
#define VARNOK_ARCHIVE_ARCHIVE_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/archive_bytes.h"
#include "archive/archive_format.h"
#include "base/byte_sink.h"
#include "base/escape.h"
#include "base/status.h"

namespace varnok {

// One directory entry: its record and its stored name.
struct ArchiveEntry {
  EntryRecord record;
  std::string name;
};

// A stored name as a user is shown it: spelt as the system spells paths
// (FromArchiveEncoding) and escaped so that it prints on one line
// (EscapeName).
std::string DisplayName(std::string_view storedName);

// Receives an entry's original bytes, piece by piece, in order; a failed
// Status stops the read and is returned by ReadEntry as it is.
using EntrySink = ByteSink;

class CArchiveReader {
 public:
  CArchiveReader() = default;
  ~CArchiveReader();
  CArchiveReader(const CArchiveReader&) = delete;
  CArchiveReader& operator=(const CArchiveReader&) = delete;

  // Opens the archive at path and checks its layout; the entries' data are
  // not read. On failure the reader holds no entries. May be called again.
  Status Open(const std::string& path);
  // Opens the archive that standard input holds
  // (CReadFile::OpenStandardInput) as Open does; messages name it
  // "standard input".
  Status OpenStandardInput();
  // Opens the archive that block holds, as Open does, reading the block
  // where it lies: it must stay unchanged until the reader is closed or
  // opened again. Messages name it name.
  Status OpenMemory(std::string_view block, const std::string& name);
  // Opens the archive that source reads, as Open does; the reader owns the
  // source from now on, whether or not the archive opens, and destroys it
  // when closed or opened again. Messages name it name.
  Status OpenSource(std::unique_ptr<ByteSource> source,
                    const std::string& name);

  // Closes the archive's file, so that it may be replaced on every system;
  // the entries stay, and reading one fails with "File not open" until
  // Open.
  void CloseFile();

  // The entries in archive order; empty until Open succeeded.
  const std::vector<ArchiveEntry>& entries() const { return entries_; }
  uint64_t fileSize() const { return fileSize_; }

  // Index of the first entry stored under name, in constant time (an
  // index of the names is built at Open).
  std::optional<size_t> FindEntry(std::string_view name) const;

  // Checks entry index's held bytes: their CRC-32, and for a deflated entry
  // that they are one complete zlib stream that inflates to exactly size
  // bytes with nothing after it.
  Status VerifyEntry(size_t index);
  // VerifyEntry for every entry, in order; stops at the first fault.
  Status VerifyAll();

  // Streams entry index's original bytes to sink, checking them as
  // VerifyEntry does. The sink may have received bytes before a fault is
  // found (the CRC is known only at the end): a caller that keeps the output
  // must discard it unless the result is ok.
  Status ReadEntry(size_t index, EntrySink& sink);
  // Tells the system that the held bytes of the entries indices lists, from
  // position first to last, will be read soon (CReadFile::WillRead), one
  // hint for each run of entries that lie back to back.
  void WillRead(const std::vector<size_t>& indices, size_t first,
                size_t last) const;
  // Streams entry index's held bytes, as they lie in the archive, to sink,
  // then checks their CRC-32 (nothing else: a deflated entry is not
  // inflated). As with ReadEntry, the sink may have received bytes before a
  // fault is found.
  Status ReadHeld(size_t index, ByteSink& sink);
  // Closes the archive and forgets its entries, as a failed Open leaves
  // the reader.
  void Close();

  // For readers of an entry's bytes of their own (CEntryStream):
  // Reads length of entry index's held bytes, from offset within them, into
  // dst; length and offset must lie within the entry's packed size.
  Status ReadHeldAt(size_t index, uint64_t offset, size_t length, char* dst);
  // The checks once every held byte of entry index has been read: a
  // deflated entry's stream (when inflated) ended and gave exactly its
  // size, and heldCrc, the CRC-32 of the held bytes, is the record's.
  Status CheckEntryEnd(size_t index, bool inflated, bool streamEnded,
                       uint64_t inflatedSize, uint32_t heldCrc) const;
  // A fault of entry index; the reason starts "entry i (name): ".
  Status EntryFault(size_t index, const std::string& text) const;

 private:
  // Ends Open once bytes_ is open, or failed to open for reason.
  Status FinishOpen(bool opened, const std::string& reason);
  // The layout's checks, in the order Open makes them: each step reads what
  // it checks, and a step runs only when those before it passed.
  Status CheckLayout();
  // Reads the header and checks its magic and version.
  Status ReadHeader(ArchiveHeader* header);
  // Checks that the file can hold the tables and directory of count
  // entries, before anything is read or allocated for them.
  Status CheckEntryCount(uint32_t count) const;
  // Reads the pointer table, the bucket count and the bucket table (the
  // bytes from the end of the header to the directory) into *tables and
  // checks the bucket count and every slot.
  Status ReadTables(uint32_t count, std::string* tables);
  // Checks that the header's last directory byte lies where a directory of
  // its entry count can end and inside the file, then reads the directory,
  // from its start to that byte, into *directory.
  Status ReadDirectoryBytes(const ArchiveHeader& header,
                            std::string* directory);
  // Walks the directory (its bytes from its start to the zero byte at last)
  // along the pointer table (tables, as ReadTables left them) and fills
  // entries_.
  Status ReadDirectory(uint32_t count, const std::string& tables,
                       const std::string& directory, uint64_t last);
  // Checks each record's fields and that the entries' data follow the
  // directory back to back up to the end of the file.
  Status CheckRecords(uint64_t last) const;

  // What ProcessEntry hands its sink.
  enum class Output { kNothing, kOriginal, kHeld };
  // One pass over an entry's held bytes: the checksum, the inflate stream
  // and the counts that ProcessEntry carries from one piece to the next.
  struct EntryPass;
  // Reads entry index's held bytes through a fixed buffer and checks them,
  // inflating a deflated entry unless output is kHeld; passes output to
  // sink.
  Status ProcessEntry(size_t index, Output output, ByteSink* sink);
  // Inflates one piece of held bytes, handing what comes out to the pass's
  // sink; remaining: the held bytes after this piece. Fails when the stream
  // is damaged, inflates to more than the entry's size, or ends before its
  // held bytes do.
  Status InflatePiece(size_t index, EntryPass& pass, char* piece,
                      size_t length, uint64_t remaining) const;
  // The checks once every held byte has been read: a deflated entry's
  // stream is complete and inflated to exactly its size, and the held
  // bytes' CRC-32 is the record's.
  Status FinishEntry(size_t index, const EntryPass& pass) const;
  // Reads exactly length bytes at offset.
  Status ReadAt(uint64_t offset, size_t length, char* dst);

  // A fault of the archive's bytes, and a failure to open or read them; the
  // archive's path is the detail.
  Status Fail(const char* message, const std::string& reason) const;
  Status IoFail(const char* message, const std::string& reason) const;

  std::string path_;
  CArchiveBytes bytes_;
  uint64_t fileSize_ = 0;
  std::vector<ArchiveEntry> entries_;
  // The first entry of each name, over entries_' names.
  std::unordered_map<std::string_view, size_t> entryByName_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_READER_H_
