// The kzf archive layout: its constants, its three records and the offsets of
// its regions.
//
// An archive of N entries is, with no gaps and no alignment:
//
//   offset 0            header (ArchiveHeader, 16 bytes)
//   16                  entry pointer table: N u32, the offset of each entry's
//                       directory record
//   16 + 4N             bucket count: u32, always 997
//   20 + 4N             bucket table: 997 slots (BucketSlot, 4 bytes each)
//   4008 + 4N           directory: N entries, each an EntryRecord (22 bytes)
//                       followed at once by the name, no terminator
//   lastDirectoryByte   one zero byte
//   lastDirectoryByte+1 data: every entry's held bytes, in entry order
//
// All integers are little-endian and unsigned. doc/format.md tells the story
// with a byte map and a worked example.

#ifndef VARNOK_ARCHIVE_ARCHIVE_FORMAT_H_
#define VARNOK_ARCHIVE_ARCHIVE_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnok {

inline constexpr char kArchiveMagic[4] = {'k', 'z', 'f', '1'};
inline constexpr uint32_t kArchiveVersion = 0x20040505;
inline constexpr uint32_t kBucketCount = 997;

// How an entry's bytes are held.
inline constexpr uint8_t kMethodStored = 4;    // unchanged
inline constexpr uint8_t kMethodDeflated = 5;  // a zlib stream, level 9

inline constexpr size_t kHeaderSize = 16;
inline constexpr size_t kPointerSize = 4;
inline constexpr size_t kBucketSlotSize = 4;
inline constexpr size_t kEntryRecordSize = 22;

// A stored name, and a base path, hold at most this many bytes.
inline constexpr size_t kMaxNameLength = 511;
// The bucket slots count entries in 16 bits, so an archive holds at most
// this many entries.
inline constexpr uint32_t kMaxEntries = 65535;
// Engines built around these archives may read sizes and offsets as signed
// 32-bit numbers, as this system always measured files: no file may reach
// 2 GiB, and an archive that passes this length may not load.
inline constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;
inline constexpr uint64_t kMaxSignedArchiveLength = 0x7FFFFFFF;
// Every offset, even that of an empty entry at the very end, fits 32 bits,
// so an archive holds at most this many bytes.
inline constexpr uint64_t kMaxArchiveLength = 0xFFFFFFFF;

struct ArchiveHeader {
  char magic[4] = {kArchiveMagic[0], kArchiveMagic[1], kArchiveMagic[2],
                   kArchiveMagic[3]};
  uint32_t version = kArchiveVersion;
  // Offset of the zero byte that follows the directory.
  uint32_t lastDirectoryByte = 0;
  uint32_t entryCount = 0;
};

// The fixed part of a directory entry; the name follows it in the archive.
struct EntryRecord {
  uint8_t method = kMethodStored;
  uint8_t reserved[3] = {0, 0, 0};
  uint32_t dataOffset = 0;  // absolute offset of the held bytes
  uint32_t size = 0;        // length of the source file
  uint32_t packedSize = 0;  // number of held bytes
  uint32_t crc = 0;         // CRC-32 of the held bytes
  uint16_t nameLength = 0;
};

struct BucketSlot {
  uint16_t firstEntry = 0;
  uint16_t entryCount = 0;
};

// Appends a record's encoding to *dst.
void AppendHeader(std::string* dst, const ArchiveHeader& header);
void AppendEntryRecord(std::string* dst, const EntryRecord& record);
void AppendBucketSlot(std::string* dst, const BucketSlot& slot);

// Decodes a record from src, which must hold the record's full size. The
// values are taken as they stand: checking them is the reader's job.
ArchiveHeader DecodeHeader(const char* src);
EntryRecord DecodeEntryRecord(const char* src);
BucketSlot DecodeBucketSlot(const char* src);

// True when bytes, the start of a file, begin with the magic "kzf1": the
// one test of whether a file is meant to be a kzf archive.
bool HasArchiveMagic(std::string_view bytes);

// Region offsets of an archive of entryCount entries.
constexpr uint64_t PointerTableOffset() { return kHeaderSize; }
constexpr uint64_t BucketCountOffset(uint64_t entryCount) {
  return kHeaderSize + kPointerSize * entryCount;
}
constexpr uint64_t BucketTableOffset(uint64_t entryCount) {
  return BucketCountOffset(entryCount) + 4;
}
constexpr uint64_t DirectoryOffset(uint64_t entryCount) {
  return BucketTableOffset(entryCount) + kBucketSlotSize * kBucketCount;
}
// Bytes one directory entry takes: its record and its name.
constexpr uint64_t DirectoryEntrySize(uint64_t nameLength) {
  return kEntryRecordSize + nameLength;
}

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_FORMAT_H_
