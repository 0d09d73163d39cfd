#include "archive/archive_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "archive/coding.h"
#include "base/escape.h"
#include "platform/file_system.h"

namespace varnok {

namespace {

// Entry data pass through buffers of this size, in and out.
constexpr size_t kBufferSize = 64 * 1024;
// Most bytes inflated in one call into a sink's own space.
constexpr size_t kLargestOutput = size_t{1} << 30;

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::string Number(uint64_t value) { return std::to_string(value); }

// Ends an inflate stream however the entry's check leaves.
class InflateStream {
 public:
  InflateStream() { ok_ = inflateInit(&stream_) == Z_OK; }
  ~InflateStream() {
    if (ok_) inflateEnd(&stream_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

  bool ok() const { return ok_; }
  z_stream* get() { return &stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

}  // namespace

CArchiveReader::~CArchiveReader() { Close(); }

void CArchiveReader::Close() {
  bytes_.Close();
  fileSize_ = 0;
  entryByName_.clear();
  entries_.clear();
}

void CArchiveReader::CloseFile() { bytes_.Close(); }

std::string DisplayName(std::string_view storedName) {
  return EscapeName(FromArchiveEncoding(storedName));
}

Status CArchiveReader::Fail(const char* message,
                            const std::string& reason) const {
  return Status::Damaged(message, path_, reason);
}

Status CArchiveReader::IoFail(const char* message,
                              const std::string& reason) const {
  return Status::IoError(message, path_, reason);
}

Status CArchiveReader::EntryFault(size_t index, const std::string& text) const {
  std::string place = "entry " + Number(index);
  if (index < entries_.size()) {
    place += " (" + DisplayName(entries_[index].name) + ")";
  }
  return Fail(messages::kDamagedArchive, place + ": " + text);
}

Status CArchiveReader::Open(const std::string& path) {
  Close();
  path_ = path;
  std::string reason;
  const bool opened = bytes_.OpenFile(path, &reason);
  return FinishOpen(opened, reason);
}

Status CArchiveReader::OpenStandardInput() {
  Close();
  path_ = messages::kStandardInput;
  std::string reason;
  const bool opened = bytes_.OpenStandardInput(&reason);
  return FinishOpen(opened, reason);
}

Status CArchiveReader::OpenMemory(std::string_view block,
                                  const std::string& name) {
  Close();
  path_ = name;
  bytes_.OpenMemory(block);
  return FinishOpen(true, {});
}

Status CArchiveReader::OpenSource(std::unique_ptr<ByteSource> source,
                                  const std::string& name) {
  Close();
  path_ = name;
  bytes_.OpenSource(std::move(source));
  return FinishOpen(true, {});
}

Status CArchiveReader::FinishOpen(bool opened, const std::string& reason) {
  if (!opened) return IoFail(messages::kCantOpenArchive, reason);
  fileSize_ = bytes_.size();
  Status status = CheckLayout();
  if (!status.ok()) {
    Close();
    return status;
  }
  entryByName_.reserve(entries_.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    entryByName_.emplace(entries_[i].name, i);  // keeps the first of a name
  }
  return status;
}

Status CArchiveReader::ReadAt(uint64_t offset, size_t length, char* dst) {
  size_t got = 0;
  std::string reason = messages::kFileNotOpen;
  if (!bytes_.IsOpen() || !bytes_.ReadAt(offset, dst, length, &got, &reason)) {
    return IoFail(messages::kCantReadArchive,
                  "at byte " + Number(offset) + ": " + reason);
  }
  if (got < length) {
    return IoFail(messages::kCantReadArchive,
                  "file ends at byte " + Number(offset + got) +
                      " (changed while being read?)");
  }
  return Status::Ok();
}

Status CArchiveReader::CheckLayout() {
  ArchiveHeader header;
  std::string tables;
  std::string directory;
  Status status = ReadHeader(&header);
  if (status.ok()) status = CheckEntryCount(header.entryCount);
  if (status.ok()) status = ReadTables(header.entryCount, &tables);
  if (status.ok()) status = ReadDirectoryBytes(header, &directory);
  if (status.ok()) {
    status = ReadDirectory(header.entryCount, tables, directory,
                           header.lastDirectoryByte);
  }
  if (status.ok()) status = CheckRecords(header.lastDirectoryByte);
  if (!status.ok()) entries_.clear();
  return status;
}

Status CArchiveReader::ReadHeader(ArchiveHeader* header) {
  if (fileSize_ < sizeof kArchiveMagic) {
    return Fail(messages::kNotAnArchive,
                "file is " + Number(fileSize_) + " bytes, too short for a header");
  }
  char headerBytes[kHeaderSize];
  const size_t headerRead =
      static_cast<size_t>(std::min<uint64_t>(fileSize_, kHeaderSize));
  Status status = ReadAt(0, headerRead, headerBytes);
  if (!status.ok()) return status;
  if (!HasArchiveMagic(std::string_view(headerBytes, headerRead))) {
    return Fail(messages::kNotAnArchive,
                "starts with \"" + EscapeName(std::string_view(headerBytes, 4)) +
                    "\", not \"kzf1\"");
  }
  if (fileSize_ < kHeaderSize) {
    return Fail(messages::kDamagedArchive,
                "file ends at byte " + Number(fileSize_) +
                    ", inside the 16-byte header");
  }
  *header = DecodeHeader(headerBytes);
  if (header->version != kArchiveVersion) {
    return Fail(messages::kUnsupportedVersion,
                "version 0x" + Hex32(header->version) + ", expected 0x" +
                    Hex32(kArchiveVersion));
  }
  return Status::Ok();
}

Status CArchiveReader::CheckEntryCount(uint32_t count) const {
  if (count > kMaxEntries) {
    return Fail(messages::kDamagedArchive,
                "header: entry count " + Number(count) + " exceeds " +
                    Number(kMaxEntries));
  }
  // Every record at its smallest, and the zero byte after them.
  const uint64_t smallestEnd =
      DirectoryOffset(count) + kEntryRecordSize * uint64_t{count};
  if (fileSize_ < smallestEnd + 1) {
    return Fail(messages::kDamagedArchive,
                "file is " + Number(fileSize_) + " bytes, too short for the " +
                    "tables and directory of " + Number(count) +
                    " entries (at least " + Number(smallestEnd + 1) + ")");
  }
  return Status::Ok();
}

Status CArchiveReader::ReadTables(uint32_t count, std::string* tables) {
  tables->assign(DirectoryOffset(count) - kHeaderSize, '\0');
  Status status = ReadAt(kHeaderSize, tables->size(), tables->data());
  if (!status.ok()) return status;
  const uint32_t bucketCount =
      DecodeFixed32(tables->data() + (BucketCountOffset(count) - kHeaderSize));
  if (bucketCount != kBucketCount) {
    return Fail(messages::kDamagedArchive,
                "bucket count at byte " + Number(BucketCountOffset(count)) +
                    " is " + Number(bucketCount) + ", expected " +
                    Number(kBucketCount));
  }
  // Every slot spans the whole directory.
  const uint16_t slotCount = static_cast<uint16_t>(count & 0xFFFF);
  const char* slots = tables->data() + (BucketTableOffset(count) - kHeaderSize);
  for (uint32_t j = 0; j < kBucketCount; ++j) {
    const BucketSlot slot = DecodeBucketSlot(slots + kBucketSlotSize * j);
    if (slot.firstEntry != 0 || slot.entryCount != slotCount) {
      return Fail(messages::kDamagedArchive,
                  "bucket slot " + Number(j) + " is {" +
                      Number(slot.firstEntry) + ", " +
                      Number(slot.entryCount) + "}, expected {0, " +
                      Number(slotCount) + "}");
    }
  }
  return Status::Ok();
}

Status CArchiveReader::ReadDirectoryBytes(const ArchiveHeader& header,
                                          std::string* directory) {
  // The directory's length is bounded by the names' limit.
  const uint64_t count = header.entryCount;
  const uint64_t directoryOffset = DirectoryOffset(count);
  const uint64_t smallestEnd = directoryOffset + kEntryRecordSize * count;
  const uint64_t largestEnd =
      directoryOffset + DirectoryEntrySize(kMaxNameLength) * count;
  const uint64_t last = header.lastDirectoryByte;
  if (last < smallestEnd || last > largestEnd) {
    return Fail(messages::kDamagedArchive,
                "header: last directory byte " + Number(last) +
                    " is outside the directory of " + Number(count) +
                    " entries (" + Number(smallestEnd) + " to " +
                    Number(largestEnd) + ")");
  }
  if (last >= fileSize_) {
    return Fail(messages::kDamagedArchive,
                "header: last directory byte " + Number(last) +
                    " lies beyond the file (" + Number(fileSize_) + " bytes)");
  }
  directory->assign(last + 1 - directoryOffset, '\0');
  return ReadAt(directoryOffset, directory->size(), directory->data());
}

Status CArchiveReader::ReadDirectory(uint32_t count, const std::string& tables,
                                     const std::string& directory,
                                     uint64_t last) {
  using messages::kDamagedArchive;
  const uint64_t directoryOffset = DirectoryOffset(count);
  entries_.reserve(count);

  uint64_t position = directoryOffset;  // where entry i's record must start
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t pointer = DecodeFixed32(tables.data() + kPointerSize * i);
    if (pointer != position) {
      return EntryFault(i, "pointer " + Number(pointer) + ", expected " +
                               Number(position));
    }
    if (position + kEntryRecordSize > last) {
      return EntryFault(i, "record at byte " + Number(position) +
                               " runs past the directory's end (byte " +
                               Number(last) + ")");
    }
    const char* recordBytes = directory.data() + (position - directoryOffset);
    const EntryRecord record = DecodeEntryRecord(recordBytes);
    if (record.nameLength > kMaxNameLength) {
      return EntryFault(i, "name length " + Number(record.nameLength) +
                               " exceeds " + Number(kMaxNameLength));
    }
    const uint64_t next = position + DirectoryEntrySize(record.nameLength);
    if (next > last) {
      return EntryFault(i, "name of " + Number(record.nameLength) +
                               " bytes runs past the directory's end (byte " +
                               Number(last) + ")");
    }
    entries_.push_back(
        ArchiveEntry{record, std::string(recordBytes + kEntryRecordSize,
                                         record.nameLength)});
    position = next;
  }

  if (position != last) {
    return Fail(kDamagedArchive,
                "directory ends at byte " + Number(position) +
                    ", but the header's last directory byte is " +
                    Number(last));
  }
  const auto zero = static_cast<unsigned char>(directory.back());
  if (zero != 0) {
    return Fail(kDamagedArchive, "byte " + Number(last) +
                                     " after the directory is " +
                                     Number(zero) + ", expected 0");
  }
  return Status::Ok();
}

Status CArchiveReader::CheckRecords(uint64_t last) const {
  uint64_t dataOffset = last + 1;  // where entry i's data must start
  for (size_t i = 0; i < entries_.size(); ++i) {
    const EntryRecord& record = entries_[i].record;
    if (record.reserved[0] != 0 || record.reserved[1] != 0 ||
        record.reserved[2] != 0) {
      return EntryFault(i, "reserved bytes are not zero");
    }
    if (record.method != kMethodStored && record.method != kMethodDeflated) {
      return EntryFault(i, "method " + Number(record.method) +
                               ", expected 4 (stored) or 5 (deflated)");
    }
    if (record.method == kMethodStored && record.packedSize != record.size) {
      return EntryFault(i, "stored with packed size " +
                               Number(record.packedSize) + " but size " +
                               Number(record.size));
    }
    if (record.dataOffset != dataOffset) {
      return EntryFault(i, "data offset " + Number(record.dataOffset) +
                               ", expected " + Number(dataOffset));
    }
    const uint64_t dataEnd = dataOffset + record.packedSize;
    if (dataEnd > fileSize_) {
      return EntryFault(i, "data " + Number(dataOffset) + " to " +
                               Number(dataEnd) + " run past the file's end (" +
                               Number(fileSize_) + " bytes)");
    }
    dataOffset = dataEnd;
  }
  if (dataOffset != fileSize_) {
    return Fail(messages::kDamagedArchive,
                "file is " + Number(fileSize_) +
                    " bytes, but the entries' data end at " +
                    Number(dataOffset));
  }
  return Status::Ok();
}

std::optional<size_t> CArchiveReader::FindEntry(std::string_view name) const {
  const auto found = entryByName_.find(name);
  if (found == entryByName_.end()) return std::nullopt;
  return found->second;
}

Status CArchiveReader::VerifyEntry(size_t index) {
  return ProcessEntry(index, Output::kNothing, nullptr);
}

Status CArchiveReader::VerifyAll() {
  for (size_t i = 0; i < entries_.size(); ++i) {
    Status status = ProcessEntry(i, Output::kNothing, nullptr);
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

Status CArchiveReader::ReadEntry(size_t index, EntrySink& sink) {
  return ProcessEntry(index, Output::kOriginal, &sink);
}

void CArchiveReader::WillRead(const std::vector<size_t>& indices,
                              size_t first, size_t last) const {
  if (!bytes_.IsOpen()) return;
  uint64_t start = 0, end = 0;
  for (size_t position = first; position <= last; ++position) {
    const EntryRecord& record = entries_[indices[position]].record;
    if (record.dataOffset != end) {
      if (end > start) bytes_.WillRead(start, end - start);
      start = record.dataOffset;
    }
    end = uint64_t{record.dataOffset} + record.packedSize;
  }
  if (end > start) bytes_.WillRead(start, end - start);
}

Status CArchiveReader::ReadHeld(size_t index, ByteSink& sink) {
  return ProcessEntry(index, Output::kHeld, &sink);
}

// What ProcessEntry carries from one piece of held bytes to the next.
struct CArchiveReader::EntryPass {
  EntryPass(const EntryRecord& entry, ByteSink* out, bool inflate)
      : record(entry),
        sink(out),
        inflating(inflate),
        // Left uninitialized: it is filled before it is read.
        inflated(std::make_unique_for_overwrite<char[]>(
            inflate ? kBufferSize : 0)) {}

  const EntryRecord& record;
  ByteSink* const sink;  // null when only checking
  const bool inflating;
  InflateStream inflater;
  const std::unique_ptr<char[]> inflated;
  uLong crc = crc32(0, Z_NULL, 0);  // of the held bytes read so far
  uint64_t inflatedSize = 0;        // original bytes inflated so far
  bool streamEnded = false;
};

Status CArchiveReader::ProcessEntry(size_t index, Output output,
                                    ByteSink* sink) {
  if (index >= entries_.size()) {
    return IoFail(messages::kCantReadArchive,
                  "no entry " + Number(index) + " (the archive holds " +
                      Number(entries_.size()) + ")");
  }
  const EntryRecord& record = entries_[index].record;
  EntryPass pass(record, output == Output::kNothing ? nullptr : sink,
                 record.method == kMethodDeflated && output != Output::kHeld);
  if (pass.inflating && !pass.inflater.ok()) {
    return IoFail(messages::kCantReadArchive, "zlib can't start inflating");
  }
  // Left uninitialized, and no larger than the entry: most entries are
  // small.
  const auto input = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(
      std::min<uint64_t>(record.packedSize, kBufferSize)));
  uint64_t offset = record.dataOffset;
  uint64_t remaining = record.packedSize;
  while (remaining > 0) {
    const auto length =
        static_cast<size_t>(std::min<uint64_t>(remaining, kBufferSize));
    Status status = ReadAt(offset, length, input.get());
    if (!status.ok()) return status;
    offset += length;
    remaining -= length;
    pass.crc = crc32(pass.crc, reinterpret_cast<const Bytef*>(input.get()),
                     static_cast<uInt>(length));
    if (pass.inflating) {
      status = InflatePiece(index, pass, input.get(), length, remaining);
    } else if (pass.sink != nullptr) {
      status = pass.sink->Append(std::string_view(input.get(), length));
    }
    if (!status.ok()) return status;
  }
  return FinishEntry(index, pass);
}

Status CArchiveReader::InflatePiece(size_t index, EntryPass& pass, char* piece,
                                    size_t length, uint64_t remaining) const {
  z_stream* stream = pass.inflater.get();
  stream->next_in = reinterpret_cast<Bytef*>(piece);
  stream->avail_in = static_cast<uInt>(length);
  // Inflate until this piece is used up and no output is pending: into the
  // sink's own space where it has room, else through the pass's buffer.
  do {
    const std::span<char> space =
        pass.sink != nullptr ? pass.sink->Space() : std::span<char>();
    char* const out = space.empty() ? pass.inflated.get() : space.data();
    const uInt outSize = static_cast<uInt>(
        space.empty() ? kBufferSize
                      : std::min<size_t>(space.size(), kLargestOutput));
    stream->next_out = reinterpret_cast<Bytef*>(out);
    stream->avail_out = outSize;
    const uInt inBefore = stream->avail_in;
    const int result = inflate(stream, Z_NO_FLUSH);
    if (result == Z_NEED_DICT || result == Z_DATA_ERROR) {
      return EntryFault(index,
                        std::string("zlib stream is damaged (") +
                            (stream->msg != nullptr ? stream->msg
                                                    : "needs a dictionary") +
                            ")");
    }
    if (result == Z_MEM_ERROR || result == Z_STREAM_ERROR) {
      return IoFail(messages::kCantReadArchive, "zlib can't inflate");
    }
    const size_t got = outSize - stream->avail_out;
    pass.inflatedSize += got;
    if (pass.inflatedSize > pass.record.size) {
      return EntryFault(index, "inflates to more than its size of " +
                                   Number(pass.record.size) + " bytes");
    }
    if (pass.sink != nullptr && got > 0) {
      Status status = pass.sink->Append(std::string_view(out, got));
      if (!status.ok()) return status;
    }
    pass.streamEnded = result == Z_STREAM_END;
    if (pass.streamEnded) break;
    if (got == 0 && stream->avail_in == inBefore) break;  // needs input
  } while (stream->avail_in > 0 || stream->avail_out == 0);
  if (pass.streamEnded && (stream->avail_in > 0 || remaining > 0)) {
    return EntryFault(index, Number(stream->avail_in + remaining) +
                                 " bytes follow the end of its zlib stream");
  }
  return Status::Ok();
}

Status CArchiveReader::FinishEntry(size_t index, const EntryPass& pass) const {
  return CheckEntryEnd(index, pass.inflating, pass.streamEnded,
                       pass.inflatedSize, static_cast<uint32_t>(pass.crc));
}

Status CArchiveReader::CheckEntryEnd(size_t index, bool inflated,
                                     bool streamEnded, uint64_t inflatedSize,
                                     uint32_t heldCrc) const {
  const EntryRecord& record = entries_[index].record;
  if (inflated && !streamEnded) {
    return EntryFault(index, "zlib stream is cut short");
  }
  if (inflated && inflatedSize != record.size) {
    return EntryFault(index, "inflates to " + Number(inflatedSize) +
                                 " bytes, but its size is " +
                                 Number(record.size));
  }
  if (heldCrc != record.crc) {
    return EntryFault(index, "CRC-32 of its held bytes is " + Hex32(heldCrc) +
                                 ", the directory says " + Hex32(record.crc));
  }
  return Status::Ok();
}

Status CArchiveReader::ReadHeldAt(size_t index, uint64_t offset,
                                  size_t length, char* dst) {
  return ReadAt(entries_[index].record.dataOffset + offset, length, dst);
}

}  // namespace varnok
