#include "archive/archive_format.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/coding.h"

namespace varnok {
namespace {

TEST(CodingTest, IntegersAreLittleEndian) {
  std::string out;
  PutFixed32(&out, 0x20040505);
  PutFixed16(&out, 0xBEEF);
  EXPECT_EQ(out, std::string("\x05\x05\x04\x20\xEF\xBE", 6));
  EXPECT_EQ(DecodeFixed32(out.data()), 0x20040505u);
  EXPECT_EQ(DecodeFixed16(out.data() + 4), 0xBEEF);
  // High bytes must not sign-extend into the result.
  EXPECT_EQ(DecodeFixed32("\xFF\xFF\xFF\xFF"), 0xFFFFFFFFu);
}

TEST(ArchiveFormatTest, HeaderEncodesMagicVersionAndFields) {
  ArchiveHeader header;
  header.lastDirectoryByte = 4044;
  header.entryCount = 1;
  std::string out;
  AppendHeader(&out, header);
  ASSERT_EQ(out.size(), kHeaderSize);
  EXPECT_EQ(out, std::string("kzf1\x05\x05\x04\x20\xCC\x0F\0\0\x01\0\0\0", 16));

  EXPECT_TRUE(HasArchiveMagic(out));
  for (const char* other : {"", "kzf", "kzf2", "Kzf1", "PK\x03\x04"}) {
    EXPECT_FALSE(HasArchiveMagic(other)) << other;
  }
  ArchiveHeader decoded = DecodeHeader(out.data());
  EXPECT_EQ(decoded.version, kArchiveVersion);
  EXPECT_EQ(decoded.lastDirectoryByte, 4044u);
  EXPECT_EQ(decoded.entryCount, 1u);
}

TEST(ArchiveFormatTest, EntryRecordRoundTripsWithZeroReservedBytes) {
  EntryRecord record;
  record.method = kMethodDeflated;
  record.dataOffset = 4045;
  record.size = 0x01020304;
  record.packedSize = 0xA0B0C0D0;
  record.crc = 0xCAFEBABE;
  record.nameLength = 10;
  std::string out;
  AppendEntryRecord(&out, record);
  ASSERT_EQ(out.size(), kEntryRecordSize);
  EXPECT_EQ(out.substr(0, 4), std::string("\x05\0\0\0", 4));
  EXPECT_EQ(out.substr(20, 2), std::string("\x0A\0", 2));

  EntryRecord decoded = DecodeEntryRecord(out.data());
  EXPECT_EQ(decoded.method, kMethodDeflated);
  EXPECT_EQ(decoded.dataOffset, 4045u);
  EXPECT_EQ(decoded.size, 0x01020304u);
  EXPECT_EQ(decoded.packedSize, 0xA0B0C0D0u);
  EXPECT_EQ(decoded.crc, 0xCAFEBABEu);
  EXPECT_EQ(decoded.nameLength, 10);
}

TEST(ArchiveFormatTest, BucketSlotIsIndexThenCount) {
  std::string out;
  AppendBucketSlot(&out, BucketSlot{0, 3});
  EXPECT_EQ(out, std::string("\0\0\x03\0", 4));
  BucketSlot decoded = DecodeBucketSlot(out.data());
  EXPECT_EQ(decoded.firstEntry, 0);
  EXPECT_EQ(decoded.entryCount, 3);
}

TEST(ArchiveFormatTest, RegionOffsetsOfOneEntry) {
  EXPECT_EQ(BucketCountOffset(1), 20u);
  EXPECT_EQ(BucketTableOffset(1), 24u);
  EXPECT_EQ(DirectoryOffset(1), 4012u);
  EXPECT_EQ(DirectoryOffset(0), 4008u);
  EXPECT_EQ(DirectoryEntrySize(10), 32u);
}

}  // namespace
}  // namespace varnok
