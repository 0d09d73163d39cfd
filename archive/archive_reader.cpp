#include "archive/archive_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/coding.h"
#include "base/escape.h"
#include "platform/file_system.h"

namespace varnok {

namespace {

// Entry data pass through buffers of this size, in and out.
constexpr size_t kBufferSize = 64 * 1024;

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
  std::string ignored;  // nothing was written: a failed close loses nothing
  file_.Close(&ignored);
  fileSize_ = 0;
  entries_.clear();
}

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
  if (!file_.Open(path, &reason)) {
    return IoFail(messages::kCantOpenArchive, reason);
  }
  fileSize_ = file_.size();
  Status status = CheckLayout();
  if (!status.ok()) Close();
  return status;
}

Status CArchiveReader::ReadAt(uint64_t offset, size_t length, char* dst) {
  size_t got = 0;
  std::string reason;
  if (!file_.ReadAt(offset, dst, length, &got, &reason)) {
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
  using messages::kDamagedArchive;

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
    return Fail(kDamagedArchive, "file ends at byte " + Number(fileSize_) +
                                     ", inside the 16-byte header");
  }
  const ArchiveHeader header = DecodeHeader(headerBytes);
  if (header.version != kArchiveVersion) {
    return Fail(messages::kUnsupportedVersion,
                "version 0x" + Hex32(header.version) + ", expected 0x" +
                    Hex32(kArchiveVersion));
  }

  // The entry count decides every region's place; check that the file can
  // hold that many entries before anything is read or allocated for them.
  const uint64_t count = header.entryCount;
  if (count > kMaxEntries) {
    return Fail(kDamagedArchive, "header: entry count " + Number(count) +
                                     " exceeds " + Number(kMaxEntries));
  }
  const uint64_t directoryOffset = DirectoryOffset(count);
  const uint64_t smallestEnd = directoryOffset + kEntryRecordSize * count;
  if (fileSize_ < smallestEnd + 1) {
    return Fail(kDamagedArchive,
                "file is " + Number(fileSize_) + " bytes, too short for the " +
                    "tables and directory of " + Number(count) +
                    " entries (at least " + Number(smallestEnd + 1) + ")");
  }

  // Pointer table, bucket count and bucket table: [16, directoryOffset).
  std::string tables(directoryOffset - kHeaderSize, '\0');
  status = ReadAt(kHeaderSize, tables.size(), tables.data());
  if (!status.ok()) return status;
  const char* bucketCount =
      tables.data() + (BucketCountOffset(count) - kHeaderSize);
  if (DecodeFixed32(bucketCount) != kBucketCount) {
    return Fail(kDamagedArchive,
                "bucket count at byte " + Number(BucketCountOffset(count)) +
                    " is " + Number(DecodeFixed32(bucketCount)) +
                    ", expected " + Number(kBucketCount));
  }
  const uint16_t slotCount = static_cast<uint16_t>(count & 0xFFFF);
  const char* slots = tables.data() + (BucketTableOffset(count) - kHeaderSize);
  for (uint32_t j = 0; j < kBucketCount; ++j) {
    const BucketSlot slot = DecodeBucketSlot(slots + kBucketSlotSize * j);
    if (slot.firstEntry != 0 || slot.entryCount != slotCount) {
      return Fail(kDamagedArchive,
                  "bucket slot " + Number(j) + " is {" +
                      Number(slot.firstEntry) + ", " +
                      Number(slot.entryCount) + "}, expected {0, " +
                      Number(slotCount) + "}");
    }
  }

  // The directory runs from directoryOffset to the zero byte at
  // lastDirectoryByte; its length is bounded by the names' limit.
  const uint64_t last = header.lastDirectoryByte;
  const uint64_t largestEnd =
      directoryOffset + DirectoryEntrySize(kMaxNameLength) * count;
  if (last < smallestEnd || last > largestEnd) {
    return Fail(kDamagedArchive,
                "header: last directory byte " + Number(last) +
                    " is outside the directory of " + Number(count) +
                    " entries (" + Number(smallestEnd) + " to " +
                    Number(largestEnd) + ")");
  }
  if (last >= fileSize_) {
    return Fail(kDamagedArchive, "header: last directory byte " +
                                     Number(last) + " lies beyond the file (" +
                                     Number(fileSize_) + " bytes)");
  }
  std::string directory(last + 1 - directoryOffset, '\0');
  status = ReadAt(directoryOffset, directory.size(), directory.data());
  if (!status.ok()) return status;

  status = ReadDirectory(header.entryCount, tables, directory, last);
  if (status.ok()) status = CheckRecords(last);
  if (!status.ok()) entries_.clear();
  return status;
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
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].name == name) return i;
  }
  return std::nullopt;
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

Status CArchiveReader::ReadHeld(size_t index, ByteSink& sink) {
  return ProcessEntry(index, Output::kHeld, &sink);
}

Status CArchiveReader::ProcessEntry(size_t index, Output output,
                                    ByteSink* sink) {
  if (index >= entries_.size()) {
    return IoFail(messages::kCantReadArchive,
                "no entry " + Number(index) + " (the archive holds " +
                    Number(entries_.size()) + ")");
  }
  const EntryRecord& record = entries_[index].record;
  const bool inflating =
      record.method == kMethodDeflated && output != Output::kHeld;
  // Left uninitialized: they are filled before they are read, and most
  // entries are small.
  const auto inputSize = static_cast<size_t>(
      std::min<uint64_t>(record.packedSize, kBufferSize));
  const size_t inflatedSize = inflating ? kBufferSize : 0;
  const auto input = std::make_unique_for_overwrite<char[]>(inputSize);
  const auto inflated = std::make_unique_for_overwrite<char[]>(inflatedSize);
  InflateStream inflater;
  if (inflating && !inflater.ok()) {
    return IoFail(messages::kCantReadArchive, "zlib can't start inflating");
  }
  z_stream* stream = inflater.get();

  uLong crc = crc32(0, Z_NULL, 0);
  uint64_t offset = record.dataOffset;
  uint64_t remaining = record.packedSize;
  uint64_t produced = 0;  // bytes of what is read (held or original) so far
  bool streamEnded = false;
  while (remaining > 0) {
    const auto length =
        static_cast<size_t>(std::min<uint64_t>(remaining, kBufferSize));
    Status status = ReadAt(offset, length, input.get());
    if (!status.ok()) return status;
    offset += length;
    remaining -= length;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(input.get()),
                static_cast<uInt>(length));

    if (!inflating) {
      if (output != Output::kNothing) {
        status = sink->Append(std::string_view(input.get(), length));
        if (!status.ok()) return status;
      }
      produced += length;
      continue;
    }

    stream->next_in = reinterpret_cast<Bytef*>(input.get());
    stream->avail_in = static_cast<uInt>(length);
    // Inflate until this piece is used up and no output is pending.
    do {
      stream->next_out = reinterpret_cast<Bytef*>(inflated.get());
      stream->avail_out = static_cast<uInt>(inflatedSize);
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
      const size_t got = inflatedSize - stream->avail_out;
      produced += got;
      if (produced > record.size) {
        return EntryFault(index, "inflates to more than its size of " +
                                     Number(record.size) + " bytes");
      }
      if (output != Output::kNothing && got > 0) {
        status = sink->Append(std::string_view(inflated.get(), got));
        if (!status.ok()) return status;
      }
      streamEnded = result == Z_STREAM_END;
      if (streamEnded) break;
      if (got == 0 && stream->avail_in == inBefore) break;  // needs input
    } while (stream->avail_in > 0 || stream->avail_out == 0);
    if (streamEnded && (stream->avail_in > 0 || remaining > 0)) {
      return EntryFault(index, Number(stream->avail_in + remaining) +
                                   " bytes follow the end of its zlib stream");
    }
  }

  if (inflating && !streamEnded) {
    return EntryFault(index, "zlib stream is cut short");
  }
  if (inflating && produced != record.size) {
    return EntryFault(index, "inflates to " + Number(produced) +
                                 " bytes, but its size is " +
                                 Number(record.size));
  }
  if (crc != record.crc) {
    return EntryFault(index, "CRC-32 of its held bytes is " +
                                 Hex32(static_cast<uint32_t>(crc)) +
                                 ", the directory says " + Hex32(record.crc));
  }
  return Status::Ok();
}

}  // namespace varnok
