// Hand-built kzf archives for tests, made straight from the format's records
// and zlib, so that reader and tool tests do not rest on the pack engine.

#ifndef VARNOK_TESTS_ARCHIVE_TEST_ARCHIVE_H_
#define VARNOK_TESTS_ARCHIVE_TEST_ARCHIVE_H_

#include <stdlib.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/coding.h"
#include "tests/support/temp_folder.h"

namespace varnok::test {

// One entry as it is to be laid down: its name, method, size field and held
// bytes. The CRC and the offsets are worked out by BuildArchive.
struct TestEntry {
  std::string name;
  uint8_t method = kMethodStored;
  uint32_t size = 0;
  std::string held;
};

// n bytes that do not compress, like compressed media; the same for the same
// seed.
inline std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// n bytes of text that deflates well, like a level or script file, with some
// variety; seed shifts it.
inline std::string Text(size_t n, unsigned seed = 0) {
  std::string text;
  for (size_t line = seed; text.size() < n; ++line) {
    text += "line " + std::to_string(line % 97) + " of the asset table\n";
  }
  text.resize(n);
  return text;
}

// content as one zlib stream at level 9, as the pack engine makes it, or at
// another level, as another tool might.
inline std::string Deflate(const std::string& content, int level = 9) {
  uLongf length = compressBound(static_cast<uLong>(content.size()));
  std::string out(length, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &length,
                reinterpret_cast<const Bytef*>(content.data()),
                static_cast<uLong>(content.size()), level) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(length);
  return out;
}

// content as one zlib stream at level 9 made with another memory level or
// strategy than the pack engine's (8, the default), as another tool might:
// its header is the same, its bytes may not be.
inline std::string DeflateWith(const std::string& content, int memLevel,
                               int strategy) {
  z_stream stream{};
  if (deflateInit2(&stream, 9, Z_DEFLATED, 15, memLevel, strategy) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(content.size())),
                  '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  stream.avail_in = static_cast<uInt>(content.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

inline uint32_t Crc32(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
            static_cast<uInt>(bytes.size())));
}

inline TestEntry Stored(std::string name, const std::string& content) {
  return TestEntry{std::move(name), kMethodStored,
                   static_cast<uint32_t>(content.size()), content};
}

inline TestEntry Deflated(std::string name, const std::string& content,
                          int level = 9) {
  return TestEntry{std::move(name), kMethodDeflated,
                   static_cast<uint32_t>(content.size()),
                   Deflate(content, level)};
}

// A complete archive of entries, laid out by the format's rules.
inline std::string BuildArchive(const std::vector<TestEntry>& entries) {
  const auto count = static_cast<uint32_t>(entries.size());
  uint64_t directoryEnd = DirectoryOffset(count);
  std::vector<uint32_t> pointers;
  for (const TestEntry& entry : entries) {
    pointers.push_back(static_cast<uint32_t>(directoryEnd));
    directoryEnd += DirectoryEntrySize(entry.name.size());
  }

  std::string out;
  ArchiveHeader header;
  header.lastDirectoryByte = static_cast<uint32_t>(directoryEnd);
  header.entryCount = count;
  AppendHeader(&out, header);
  for (uint32_t pointer : pointers) PutFixed32(&out, pointer);
  PutFixed32(&out, kBucketCount);
  for (uint32_t j = 0; j < kBucketCount; ++j) {
    AppendBucketSlot(&out, BucketSlot{0, static_cast<uint16_t>(count)});
  }
  uint64_t dataOffset = directoryEnd + 1;
  for (const TestEntry& entry : entries) {
    EntryRecord record;
    record.method = entry.method;
    record.dataOffset = static_cast<uint32_t>(dataOffset);
    record.size = entry.size;
    record.packedSize = static_cast<uint32_t>(entry.held.size());
    record.crc = Crc32(entry.held);
    record.nameLength = static_cast<uint16_t>(entry.name.size());
    AppendEntryRecord(&out, record);
    out += entry.name;
    dataOffset += entry.held.size();
  }
  out.push_back('\0');
  for (const TestEntry& entry : entries) out += entry.held;
  return out;
}

// Overwrites the four bytes at offset with value, little-endian.
inline void PokeFixed32(std::string& bytes, uint64_t offset, uint32_t value) {
  EncodeFixed32(bytes.data() + offset, value);
}

inline void WriteFile(const std::filesystem::path& path,
                      const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("can't write " + path.string());
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("can't read " + path.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_ARCHIVE_TEST_ARCHIVE_H_
