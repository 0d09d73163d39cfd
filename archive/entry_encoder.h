// Turns one source file into the bytes an archive holds for it.
//
// An encoder reads the file once, front to back, through a fixed-size buffer.
// When asked it deflates what it reads into one zlib stream (window 15,
// memory level 8, default strategy: the stream compress2 makes at the same
// level; level 9 unless told otherwise). It hands every held byte to a sink,
// in order, and returns the entry's size, packed size and the CRC-32 of the
// held bytes. A file of 2 GiB or more is refused.
//
// An encoder can be offered an entry of an existing archive that may hold
// the file already. It reads the file and the entry side by side and, when
// the file is exactly what the entry holds, hands on the entry's held bytes
// instead of encoding the file again: comparing is several times cheaper
// than deflating at level 9. Only an entry of the encoder's own method is
// ever handed on, and a deflated one only when its zlib stream shows the
// marks of this encoder's deflate at its level:
//   - its two-byte header is the one the level writes (this tells apart
//     levels 1, 2 to 5, 6 and 7 to 9, and another window size);
//   - the probe: a file of up to kWholeProbeBytes is deflated whole, and
//     its stream must be exactly the entry's held bytes, which proves them.
//     Of a longer file, what deflate puts out for its first kProbeBytes
//     must be the start of the held bytes. Deflate puts out a block at a
//     time, so this checks the stream's first block for a file whose start
//     does not compress (the block ends after 16,383 literals), and for a
//     file whose start compresses, often no more than the header.
// What lies past the probe is taken on trust: an entry deflated another
// way (another level of 7 to 9, memory level, strategy or program) whose
// stream agrees with this encoder's over the probe would be handed on, and
// a repack would then hold bytes a full pack would not.
//
// An encoder knows nothing of the archive it writes: the sink decides where
// the held bytes go. It owns its buffers and shares nothing but an existing
// archive's reader, so several encoders may work on different files at once.

#ifndef VARNOK_ARCHIVE_ENTRY_ENCODER_H_
#define VARNOK_ARCHIVE_ENTRY_ENCODER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/status.h"

namespace varnok {

class CArchiveReader;
class CReadFile;
class StreamProbe;

// An entry of an existing archive that may hold a file already: it has the
// file's stored name, the method of the run and the file's size.
struct EntryToReuse {
  CArchiveReader* archive = nullptr;  // open, or null for no entry
  size_t index = 0;
};

// Receives what an encoder produces, in order.
class HeldBytesSink {
 public:
  virtual ~HeldBytesSink() = default;
  // The next n held bytes. A failed Status stops the encoder, which returns
  // that Status unchanged.
  virtual Status Append(const char* data, size_t n) = 0;
  // n more source bytes have been read. A failed Status stops the encoder
  // likewise (this is where a run is cancelled).
  virtual Status SourceRead(size_t n) = 0;
  // All the held bytes of a file: those of entry, proven to hold it. By
  // default they are read from the entry's archive, their CRC-32 checked,
  // and passed to Append; a sink may instead keep the entry and copy its
  // held bytes later, the same way.
  virtual Status AppendEntry(const EntryToReuse& entry);
};

// What one encoded file came to.
struct EncodedEntry {
  uint8_t method = 0;       // kMethodStored or kMethodDeflated
  uint32_t size = 0;        // source bytes read
  uint64_t packedSize = 0;  // held bytes handed to the sink
  uint32_t crc = 0;         // CRC-32 of the held bytes
  bool reused = false;      // the held bytes are an existing entry's
};

// zlib's deflate levels, from the fastest to the smallest streams. The
// default is the level of every archive this system has always made.
inline constexpr int kFastestLevel = 1;
inline constexpr int kDefaultLevel = 9;

class CEntryEncoder {
 public:
  // Source bytes read at a time; the output buffer has the same size.
  static constexpr size_t kBufferSize = 256 * 1024;
  // The probe (see above): files this long at most are deflated whole;
  // of longer ones, the first kProbeBytes, a little more than deflate at
  // memory level 8 takes for its first block of bytes that don't compress
  // (16,383 literals and 262 bytes of look-ahead). Their lengths are what
  // the cost of a repack allows; bench/README.md has the figures.
  static constexpr size_t kWholeProbeBytes = 32 * 1024;
  static constexpr size_t kProbeBytes = 17 * 1024;

  // compress: deflate every file (method 5), at level (kFastestLevel to
  // kDefaultLevel), or hold it unchanged (method 4).
  explicit CEntryEncoder(bool compress, int level = kDefaultLevel);
  ~CEntryEncoder();
  CEntryEncoder(const CEntryEncoder&) = delete;
  CEntryEncoder& operator=(const CEntryEncoder&) = delete;

  // Reads the file at path to its end and feeds sink. The result describes
  // exactly the bytes that were read and handed on, even if the file changes
  // meanwhile. Fails with "Can't read file" when the file can't be opened or
  // read, "File too large (2 GiB or more)" when it reaches 2 GiB, and "Zlib
  // compression error!" when zlib fails; each with path as detail.
  //
  // With an entry to reuse, the file is first compared with the entry's
  // original bytes, through fixed buffers, while the entry's CRC-32 and zlib
  // stream are checked; a deflated entry's header is checked before the
  // file is read, and its probe made on the file's first piece. When all
  // agree and the file ends where the entry does, the entry's held bytes
  // (read again) and its record's CRC-32 and sizes are handed on instead.
  // Otherwise the file is encoded from its start, and the source bytes the
  // comparison read are not reported to the sink a second time. A fault of the existing archive makes the file be
  // encoded, unless it is found while the held bytes are being handed on
  // (the archive changed meanwhile): Encode then fails with it.
  Status Encode(const std::string& path, HeldBytesSink* sink,
                EncodedEntry* entry, EntryToReuse reuse = {});

  // The comparison Encode makes before it reuses an entry, alone: sets
  // *same when the file at path holds exactly entry's original bytes, the
  // entry is sound and, deflated, passes the checks of its stream at this
  // encoder's level. Reading stops at the first difference. Fails only when
  // the file can't be read ("Can't read file", with path as detail).
  Status Compare(const std::string& path, const EntryToReuse& entry,
                 bool* same);

  // Hands on entry's held bytes as they lie, reporting each piece to sink
  // as read (SourceRead) after it is appended, and its record's method,
  // sizes and CRC-32 as the result; nothing is inflated or deflated. Fails
  // as CArchiveReader::ReadHeld does, when the held bytes are not the
  // record's CRC-32 (found only at their end), or with what sink returns.
  static Status Copy(const EntryToReuse& entry, HeldBytesSink* sink,
                     EncodedEntry* result);

 private:
  // Compares the open file with entry's original bytes, and a deflated
  // entry's stream with this encoder's, reporting the source bytes read to
  // sink and counting them in *compared.
  Status CompareOpen(CReadFile& file, const std::string& path,
                     const EntryToReuse& entry, HeldBytesSink* sink,
                     uint64_t* compared, bool* same);
  // Hands on reuse's held bytes when the file holds exactly the entry's
  // original bytes, setting entry->reused; otherwise hands on nothing.
  // *compared counts the source bytes reported to sink meanwhile.
  Status Reuse(CReadFile& file, const std::string& path,
               const EntryToReuse& reuse, HeldBytesSink* sink,
               EncodedEntry* entry, uint64_t* compared);
  Status Store(CReadFile& file, const std::string& path, HeldBytesSink* sink,
               EncodedEntry* entry);
  Status Deflate(CReadFile& file, const std::string& path,
                 HeldBytesSink* sink, EncodedEntry* entry);
  // Reads the next piece of the file into in_; *n is 0 at its end.
  Status ReadSome(CReadFile& file, const std::string& path,
                  uint64_t sizeSoFar, size_t* n);

  const bool compress_;
  const int level_;
  std::unique_ptr<char[]> in_;
  std::unique_ptr<char[]> out_;
  std::unique_ptr<StreamProbe> probe_;  // made when first needed
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ENTRY_ENCODER_H_
