// The C interface of kzf.h, through the shared library: entries read whole,
// streamed and sought equal their bytes, from a file, from memory and through
// the caller's read function, on several threads at once; bad input, bad
// arguments and failing reads give their code and a message naming the place.

#include <gtest/gtest.h>
#include <kzf.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/archive/test_archive.h"
#include "tests/support/temp_folder.h"

namespace varnok::test {
namespace {

// Closes an archive however a test leaves.
using ArchivePtr = std::unique_ptr<kzf_archive, decltype(&kzf_close)>;
using StreamPtr = std::unique_ptr<kzf_stream, decltype(&kzf_stream_close)>;

// Entries of both methods, empty ones, and entries longer than the
// library's buffers; the last name repeats the first.
std::vector<TestEntry> Entries() {
  return {Stored("data/a.txt", "first"),
          Deflated("data/maps/level.map", Text(300000, 1)),
          Stored("data/empty", ""),
          Deflated("data/empty.z", ""),
          Stored("data/sounds/x.ogg", RandomBytes(150000, 2)),
          Deflated("data/small.cfg", "volume=3\n"),
          Stored("data/a.txt", "second")};
}

// The original bytes of entry index of Entries().
std::string Original(size_t index) {
  const TestEntry entry = Entries()[index];
  if (entry.method == kMethodStored) return entry.held;
  std::string bytes(entry.size, '\0');
  uLongf length = entry.size;
  uncompress(reinterpret_cast<Bytef*>(bytes.data()), &length,
             reinterpret_cast<const Bytef*>(entry.held.data()),
             static_cast<uLong>(entry.held.size()));
  return bytes;
}

// The caller's side of kzf_open_io over bytes: from memory, handing out at
// most 1000 bytes a call; or from their file, by a seek and a read, which
// threads must take in turns. Fails with 5 when asked for a byte at or past
// failFrom, and with 9 once closed; counts its closes.
struct CallerSource {
  explicit CallerSource(std::string held, const std::string& path = {})
      : bytes(std::move(held)),
        file(path.empty() ? nullptr : std::fopen(path.c_str(), "rb")) {}
  ~CallerSource() {
    if (file != nullptr) std::fclose(file);
  }

  kzf_io Io() {
    kzf_io io{};
    io.user = this;
    io.size = bytes.size();
    io.flags = file != nullptr ? KZF_IO_SERIAL : 0;
    io.read_at = [](void* user, uint64_t offset, void* buffer, size_t length,
                    size_t* got) {
      auto* self = static_cast<CallerSource*>(user);
      if (self->closes > 0) return 9;
      if (offset + length > self->failFrom) return 5;
      if (self->file == nullptr) {
        *got = std::min<uint64_t>({length, 1000, self->bytes.size() - offset});
        std::memcpy(buffer, self->bytes.data() + offset, *got);
        return 0;
      }
      if (std::fseek(self->file, static_cast<long>(offset), SEEK_SET) != 0) {
        return 7;
      }
      std::this_thread::yield();  // as a slower source would
      *got = std::fread(buffer, 1, length, self->file);
      return 0;
    };
    io.close = [](void* user) { ++static_cast<CallerSource*>(user)->closes; };
    return io;
  }

  const std::string bytes;
  std::FILE* const file;
  uint64_t failFrom = std::numeric_limits<uint64_t>::max();
  std::atomic<int> closes = 0;
};

// Where a test opens the archive from.
enum class From { kFile, kMemory, kCallbacks, kSerialCallbacks };

class LibkzfTest : public ::testing::Test {
 protected:
  LibkzfTest()
      : bytes_(BuildArchive(Entries())), path_(folder_.path() / "a.kzf") {
    WriteFile(path_, bytes_);
  }

  // Opens path (the archive's by default), expecting success.
  ArchivePtr Open(const std::filesystem::path& path = {}) {
    kzf_archive* archive = nullptr;
    const std::string name = (path.empty() ? path_ : path).string();
    EXPECT_EQ(kzf_open(name.c_str(), &archive), KZF_OK) << kzf_error_message();
    return ArchivePtr(archive, kzf_close);
  }
  ArchivePtr OpenMemory(const std::string& bytes) {
    kzf_archive* archive = nullptr;
    EXPECT_EQ(kzf_open_memory(bytes.data(), bytes.size(), &archive), KZF_OK)
        << kzf_error_message();
    return ArchivePtr(archive, kzf_close);
  }
  // Opens the archive from where, expecting success; caller is the source
  // of the callbacks, and must outlive the archive.
  ArchivePtr OpenFrom(From from, std::unique_ptr<CallerSource>* caller) {
    if (from == From::kFile) return Open();
    if (from == From::kMemory) return OpenMemory(bytes_);
    *caller = std::make_unique<CallerSource>(
        bytes_, from == From::kSerialCallbacks ? path_.string() : "");
    const kzf_io io = (*caller)->Io();
    kzf_archive* archive = nullptr;
    EXPECT_EQ(kzf_open_io(&io, "game.kzf", &archive), KZF_OK)
        << kzf_error_message();
    return ArchivePtr(archive, kzf_close);
  }

  TempFolder folder_;
  const std::string bytes_;
  const std::filesystem::path path_;
};

// Entry index read whole, or the error's message.
std::string ReadWhole(kzf_archive* archive, uint32_t index) {
  kzf_entry entry;
  if (kzf_entry_info(archive, index, &entry) != KZF_OK) {
    return kzf_error_message();
  }
  std::string bytes(entry.size, '\0');
  if (kzf_read(archive, index, bytes.data(), bytes.size()) != KZF_OK) {
    return kzf_error_message();
  }
  return bytes;
}

// Streams entry index in pieces of piece bytes into *bytes, to its end or
// the first failure.
kzf_error Stream(kzf_archive* archive, uint32_t index, size_t piece,
                 std::string* bytes) {
  kzf_stream* opened = nullptr;
  kzf_error code = kzf_stream_open(archive, index, &opened);
  StreamPtr stream(opened, kzf_stream_close);
  std::string buffer(piece, '\0');
  for (size_t got = 1; code == KZF_OK && got > 0;) {
    code = kzf_stream_read(stream.get(), buffer.data(), piece, &got);
    bytes->append(buffer, 0, got);
  }
  return code;
}

// Entry index streamed in pieces of piece bytes, or the error's message.
std::string ReadStreamed(kzf_archive* archive, uint32_t index, size_t piece) {
  std::string bytes;
  return Stream(archive, index, piece, &bytes) == KZF_OK ? bytes
                                                         : kzf_error_message();
}

TEST_F(LibkzfTest, EveryEntryReadWholeAndStreamedEqualsItsBytes) {
  const std::vector<TestEntry> entries = Entries();
  for (From from : {From::kFile, From::kMemory, From::kCallbacks,
                    From::kSerialCallbacks}) {
    std::unique_ptr<CallerSource> caller;
    ArchivePtr archive = OpenFrom(from, &caller);
    ASSERT_NE(archive, nullptr);
    ASSERT_EQ(kzf_count(archive.get()), entries.size());
    for (uint32_t i = 0; i < entries.size(); ++i) {
      SCOPED_TRACE(entries[i].name + " from source " +
                   std::to_string(static_cast<int>(from)));
      kzf_entry entry;
      ASSERT_EQ(kzf_entry_info(archive.get(), i, &entry), KZF_OK);
      EXPECT_EQ(std::string(entry.name, entry.name_length), entries[i].name);
      EXPECT_EQ(entry.method, entries[i].method);
      EXPECT_EQ(entry.packed_size, entries[i].held.size());
      EXPECT_EQ(entry.crc32, Crc32(entries[i].held));
      const std::string original = Original(i);
      EXPECT_EQ(entry.size, original.size());
      EXPECT_EQ(ReadWhole(archive.get(), i), original);
      for (size_t piece : {size_t{1000}, size_t{65536 * 3 + 7}}) {
        EXPECT_EQ(ReadStreamed(archive.get(), i, piece), original);
      }
      EXPECT_EQ(kzf_verify(archive.get(), i), KZF_OK);
      uint32_t found = 0;
      ASSERT_EQ(kzf_find(archive.get(), entries[i].name.c_str(), &found),
                KZF_OK);
      // A repeated name finds its first entry.
      EXPECT_EQ(entries[found].name, entries[i].name);
      EXPECT_LE(found, i);
    }
    EXPECT_EQ(kzf_verify_all(archive.get()), KZF_OK);
  }
}

TEST_F(LibkzfTest, SeekingMovesForwardAndBackInBothMethods) {
  ArchivePtr archive = Open();
  for (uint32_t index : {1u, 4u}) {  // deflated, stored
    const std::string original = Original(index);
    kzf_stream* opened = nullptr;
    ASSERT_EQ(kzf_stream_open(archive.get(), index, &opened), KZF_OK);
    StreamPtr stream(opened, kzf_stream_close);
    const uint64_t size = original.size();
    for (uint64_t position :
         {size / 2, uint64_t{10}, size - 5, uint64_t{0}, size - 70000, size}) {
      SCOPED_TRACE("entry " + std::to_string(index) + " at " +
                   std::to_string(position));
      ASSERT_EQ(kzf_stream_seek(stream.get(), position), KZF_OK)
          << kzf_error_message();
      EXPECT_EQ(kzf_stream_tell(stream.get()), position);
      std::string piece(100, '\0');
      size_t got = 0;
      ASSERT_EQ(kzf_stream_read(stream.get(), piece.data(), piece.size(), &got),
                KZF_OK);
      EXPECT_EQ(piece.substr(0, got), original.substr(position, 100));
    }
    EXPECT_EQ(kzf_stream_seek(stream.get(), size + 1), KZF_ERROR_ARGUMENT);
  }
}

// Reads every entry of archive, whole and streamed, on four threads at once,
// each three times, expecting its bytes.
void ReadOnThreads(kzf_archive* archive) {
  const uint32_t count = kzf_count(archive);
  std::vector<std::string> originals;
  for (uint32_t i = 0; i < count; ++i) originals.push_back(Original(i));
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < mismatches.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        for (uint32_t k = 0; k < count; ++k) {
          const uint32_t i = static_cast<uint32_t>((k + t) % count);
          mismatches[t] += ReadWhole(archive, i) != originals[i];
          mismatches[t] += ReadStreamed(archive, i, 4096) != originals[i];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(mismatches.size(), 0));
}

// Through callbacks that seek and read, the library's lock keeps the
// threads' reads apart.
TEST_F(LibkzfTest, ThreadsReadEveryEntryAtOnce) {
  for (From from : {From::kFile, From::kSerialCallbacks}) {
    std::unique_ptr<CallerSource> caller;
    ReadOnThreads(OpenFrom(from, &caller).get());
  }
}

// A copy of bytes with the byte at offset changed.
std::string Flipped(std::string bytes, size_t offset) {
  bytes[offset] = static_cast<char>(bytes[offset] ^ 0x40);
  return bytes;
}

TEST_F(LibkzfTest, BadInputAndArgumentsGiveTheirCodeAndNameThePlace) {
  const std::vector<TestEntry> entries = Entries();
  // Offsets inside the held bytes of entries 4 (stored) and 1 (deflated).
  const size_t inStored = bytes_.find(entries[4].held) + 70000;
  const size_t inDeflated = bytes_.find(entries[1].held) + 100;
  char buffer[16];
  uint32_t index = 0;
  kzf_stream* stream = nullptr;
  // Opens bytes from a file named name, expecting success.
  auto openAs = [&](const std::string& name, const std::string& bytes) {
    WriteFile(folder_.path() / name, bytes);
    return Open(folder_.path() / name);
  };
  // The code kzf_open gives for bytes in a file named name.
  auto openFails = [&](const std::string& name, const std::string& bytes) {
    WriteFile(folder_.path() / name, bytes);
    // Any value but null, which a failed open must leave.
    auto* archive = reinterpret_cast<kzf_archive*>(&index);
    const kzf_error code =
        kzf_open((folder_.path() / name).string().c_str(), &archive);
    return archive == nullptr ? code : KZF_OK;
  };
  struct Case {
    const char* what;
    std::function<kzf_error()> call;
    kzf_error code;
    std::string place;
  };
  const Case cases[] = {
      {"truncated",
       [&] { return openFails("cut.kzf", bytes_.substr(0, 9000)); },
       KZF_ERROR_DAMAGED, "cut.kzf: entry 4 (data/sounds/x.ogg): data "},
      {"damaged stored, read whole",
       [&] {
         return kzf_read(openAs("crc.kzf", Flipped(bytes_, inStored)).get(), 4,
                         std::string(150000, 0).data(), 150000);
       },
       KZF_ERROR_DAMAGED, "crc.kzf: entry 4 (data/sounds/x.ogg): CRC-32"},
      {"damaged stored, streamed",
       [&] {
         std::string bytes;
         return Stream(openAs("crc.kzf", Flipped(bytes_, inStored)).get(), 4,
                       5000, &bytes);
       },
       KZF_ERROR_DAMAGED, "crc.kzf: entry 4 (data/sounds/x.ogg): CRC-32"},
      {"damaged deflated, streamed",
       [&] {
         std::string bytes;
         return Stream(OpenMemory(Flipped(bytes_, inDeflated)).get(), 1, 4096,
                       &bytes);
       },
       KZF_ERROR_DAMAGED, "archive in memory: entry 1 (data/maps/level.map): "},
      {"damaged, all verified",
       [&] {
         return kzf_verify_all(
             openAs("crc.kzf", Flipped(bytes_, inDeflated)).get());
       },
       KZF_ERROR_DAMAGED, "crc.kzf: entry 1 (data/maps/level.map): "},
      {"foreign", [&] { return openFails("x.zip", "PK\3\4" + Text(5000)); },
       KZF_ERROR_NOT_ARCHIVE, "Not a kzf archive: "},
      {"empty memory block",
       [&] {
         kzf_archive* archive = nullptr;
         return kzf_open_memory("", 0, &archive);
       },
       KZF_ERROR_NOT_ARCHIVE, "archive in memory: file is 0 bytes"},
      {"missing file",
       [&] {
         kzf_archive* archive = nullptr;
         return kzf_open((folder_.path() / "none.kzf").string().c_str(),
                         &archive);
       },
       KZF_ERROR_IO, "Can't open archive: "},
      {"name not found",
       [&] { return kzf_find(Open().get(), "data/none", &index); },
       KZF_ERROR_NOT_FOUND, "a.kzf: data/none"},
      {"buffer too small",
       [&] { return kzf_read(Open().get(), 1, buffer, sizeof buffer); },
       KZF_ERROR_BUFFER_TOO_SMALL,
       "a.kzf: entry 1 (data/maps/level.map): 300000 bytes, the buffer holds "
       "16"},
      {"index past the entries",
       [&] { return kzf_stream_open(Open().get(), 7, &stream); },
       KZF_ERROR_ARGUMENT, "a.kzf: no entry 7 (the archive holds 7)"},
      {"null path",
       [&] {
         kzf_archive* archive = nullptr;
         return kzf_open(nullptr, &archive);
       },
       KZF_ERROR_ARGUMENT, "kzf_open: path is null"},
      {"null archive", [&] { return kzf_read(nullptr, 0, buffer, 16); },
       KZF_ERROR_ARGUMENT, "kzf_read: archive is null"},
      {"null name", [&] { return kzf_find(Open().get(), nullptr, &index); },
       KZF_ERROR_ARGUMENT, "kzf_find: name is null"},
      {"null memory",
       [&] {
         kzf_archive* archive = nullptr;
         return kzf_open_memory(nullptr, 10, &archive);
       },
       KZF_ERROR_ARGUMENT, "kzf_open_memory: data is null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), c.code);
    EXPECT_NE(std::string(kzf_error_message()).find(c.place), std::string::npos)
        << kzf_error_message();
  }
}

TEST_F(LibkzfTest, CallbacksFailNamingThePlaceAndCloseOnce) {
  const size_t inStored = bytes_.find(Entries()[4].held);
  struct Case {
    const char* what;
    std::string bytes;
    uint64_t failFrom;  // read_at fails for bytes from here on
    bool nullReadAt;
    kzf_error code;  // of the open, or of reading entry 4 once open
    std::string place;
  };
  const uint64_t never = std::numeric_limits<uint64_t>::max();
  const Case cases[] = {
      {"failing in the header", bytes_, 0, false, KZF_ERROR_IO,
       "Can't read archive: game.kzf: at byte 0: read_at returned 5"},
      {"failing in an entry", bytes_, inStored + 1, false, KZF_ERROR_IO,
       "game.kzf: at byte " + std::to_string(inStored) + ": read_at returned"},
      {"no archive", "PK\3\4" + Text(5000), never, false,
       KZF_ERROR_NOT_ARCHIVE, "Not a kzf archive: game.kzf"},
      {"no read_at", bytes_, never, true, KZF_ERROR_ARGUMENT,
       "kzf_open_io: io->read_at is null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CallerSource caller(c.bytes);
    caller.failFrom = c.failFrom;
    kzf_io io = caller.Io();
    if (c.nullReadAt) io.read_at = nullptr;
    kzf_archive* archive = nullptr;
    kzf_error code = kzf_open_io(&io, "game.kzf", &archive);
    if (code == KZF_OK) {
      EXPECT_EQ(caller.closes, 0);
      code = kzf_verify(archive, 4);
      kzf_close(archive);
    }
    EXPECT_EQ(code, c.code);
    EXPECT_NE(std::string(kzf_error_message()).find(c.place), std::string::npos)
        << kzf_error_message();
    EXPECT_EQ(caller.closes, 1);
  }
}

}  // namespace
}  // namespace varnok::test
