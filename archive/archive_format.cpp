#include "archive/archive_format.h"

#include <algorithm>

#include "archive/coding.h"

namespace varnok {

void AppendHeader(std::string* dst, const ArchiveHeader& header) {
  dst->append(header.magic, sizeof header.magic);
  PutFixed32(dst, header.version);
  PutFixed32(dst, header.lastDirectoryByte);
  PutFixed32(dst, header.entryCount);
}

void AppendEntryRecord(std::string* dst, const EntryRecord& record) {
  dst->push_back(static_cast<char>(record.method));
  for (uint8_t byte : record.reserved) dst->push_back(static_cast<char>(byte));
  PutFixed32(dst, record.dataOffset);
  PutFixed32(dst, record.size);
  PutFixed32(dst, record.packedSize);
  PutFixed32(dst, record.crc);
  PutFixed16(dst, record.nameLength);
}

void AppendBucketSlot(std::string* dst, const BucketSlot& slot) {
  PutFixed16(dst, slot.firstEntry);
  PutFixed16(dst, slot.entryCount);
}

ArchiveHeader DecodeHeader(const char* src) {
  ArchiveHeader header;
  std::copy(src, src + 4, header.magic);
  header.version = DecodeFixed32(src + 4);
  header.lastDirectoryByte = DecodeFixed32(src + 8);
  header.entryCount = DecodeFixed32(src + 12);
  return header;
}

EntryRecord DecodeEntryRecord(const char* src) {
  EntryRecord record;
  record.method = static_cast<uint8_t>(src[0]);
  for (int i = 0; i < 3; ++i) {
    record.reserved[i] = static_cast<uint8_t>(src[1 + i]);
  }
  record.dataOffset = DecodeFixed32(src + 4);
  record.size = DecodeFixed32(src + 8);
  record.packedSize = DecodeFixed32(src + 12);
  record.crc = DecodeFixed32(src + 16);
  record.nameLength = DecodeFixed16(src + 20);
  return record;
}

BucketSlot DecodeBucketSlot(const char* src) {
  return BucketSlot{DecodeFixed16(src), DecodeFixed16(src + 2)};
}

bool HasArchiveMagic(std::string_view bytes) {
  return bytes.substr(0, sizeof kArchiveMagic) ==
         std::string_view(kArchiveMagic, sizeof kArchiveMagic);
}

}  // namespace varnok
