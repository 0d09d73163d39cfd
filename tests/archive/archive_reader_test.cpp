#include "archive/archive_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/coding.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

using test::BuildArchive;
using test::Deflated;
using test::PokeFixed32;
using test::RandomBytes;
using test::Stored;
using test::TestEntry;
using test::Text;

// Collects an entry's bytes.
class StringSink : public EntrySink {
 public:
  Status Append(std::string_view bytes) override {
    bytes_.append(bytes);
    ++pieces_;
    return Status::Ok();
  }
  std::string bytes_;
  int pieces_ = 0;
};

class ArchiveReaderTest : public ::testing::Test {
 protected:
  std::string Save(const std::string& bytes, const std::string& name = "a.kzf") {
    const std::string path = (folder_.path() / name).string();
    test::WriteFile(path, bytes);
    return path;
  }

  // Opens bytes as an archive and, when that succeeds, verifies it.
  Status OpenAndVerify(const std::string& bytes) {
    Status status = reader_.Open(Save(bytes));
    return status.ok() ? reader_.VerifyAll() : status;
  }

  test::TempFolder folder_;
  CArchiveReader reader_;
};

TEST_F(ArchiveReaderTest, ReadsTheOneEntryExampleByteForByte) {
  // One stored 3-byte file named data/a.txt, laid down field by field.
  std::string bytes;
  ArchiveHeader header;
  header.lastDirectoryByte = 4044;
  header.entryCount = 1;
  AppendHeader(&bytes, header);
  PutFixed32(&bytes, 4012);
  PutFixed32(&bytes, 997);
  for (int j = 0; j < 997; ++j) AppendBucketSlot(&bytes, BucketSlot{0, 1});
  EntryRecord record;
  record.method = kMethodStored;
  record.dataOffset = 4045;
  record.size = 3;
  record.packedSize = 3;
  record.crc = 0x352441c2;  // CRC-32 of "abc"
  record.nameLength = 10;
  AppendEntryRecord(&bytes, record);
  bytes += "data/a.txt";
  bytes.push_back('\0');
  bytes += "abc";
  ASSERT_EQ(bytes.size(), 4048u);
  EXPECT_EQ(BuildArchive({Stored("data/a.txt", "abc")}), bytes);

  ASSERT_TRUE(reader_.Open(Save(bytes)).ok());
  EXPECT_EQ(reader_.fileSize(), 4048u);
  ASSERT_EQ(reader_.entries().size(), 1u);
  const ArchiveEntry& entry = reader_.entries()[0];
  EXPECT_EQ(entry.name, "data/a.txt");
  EXPECT_EQ(entry.record.dataOffset, 4045u);
  EXPECT_EQ(entry.record.crc, 0x352441c2u);
  EXPECT_TRUE(reader_.VerifyAll().ok());
  StringSink sink;
  ASSERT_TRUE(reader_.ReadEntry(0, sink).ok());
  EXPECT_EQ(sink.bytes_, "abc");
}

TEST_F(ArchiveReaderTest, StreamsStoredAndDeflatedEntriesOfEverySize) {
  // Sizes around and beyond the reader's 64 KiB buffers, empty files in
  // both modes, incompressible and compressible data.
  const std::vector<std::string> contents = {
      "",
      RandomBytes(1, 1),
      RandomBytes(65536, 2),
      RandomBytes(200000, 3),
      Text(3000000),
  };
  std::vector<TestEntry> entries;
  for (size_t i = 0; i < contents.size(); ++i) {
    entries.push_back(Stored("data/s" + std::to_string(i), contents[i]));
    entries.push_back(Deflated("data/d" + std::to_string(i), contents[i]));
  }
  ASSERT_TRUE(reader_.Open(Save(BuildArchive(entries))).ok());
  ASSERT_EQ(reader_.entries().size(), entries.size());
  EXPECT_TRUE(reader_.VerifyAll().ok());
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_EQ(reader_.entries()[i].name, entries[i].name);
    EXPECT_EQ(reader_.entries()[i].record.method, entries[i].method);
    StringSink sink;
    ASSERT_TRUE(reader_.ReadEntry(i, sink).ok());
    EXPECT_TRUE(sink.bytes_ == contents[i / 2]);
    StringSink held;
    ASSERT_TRUE(reader_.ReadHeld(i, held).ok());
    EXPECT_TRUE(held.bytes_ == entries[i].held);
  }
  // The large entries arrive in several pieces, not one allocation.
  StringSink sink;
  ASSERT_TRUE(reader_.ReadEntry(9, sink).ok());
  EXPECT_GT(sink.pieces_, 10);
  StringSink held;  // 200,000 random bytes, deflated
  ASSERT_TRUE(reader_.ReadHeld(7, held).ok());
  EXPECT_GT(held.pieces_, 1);

  // Several threads may read at once, each its own entry or the same one.
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&, t] {
      for (size_t n = 0; n < entries.size(); ++n) {
        const size_t i = (n + t * 3) % entries.size();
        StringSink entry;
        if (!reader_.ReadEntry(i, entry).ok() ||
            entry.bytes_ != contents[i / 2]) {
          ++wrong[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(wrong.size(), 0));
  EXPECT_EQ(reader_.FindEntry("data/d3"), std::optional<size_t>(7));
  EXPECT_EQ(reader_.FindEntry("data/d"), std::nullopt);
}

TEST_F(ArchiveReaderTest, AcceptsAnArchiveWithoutEntries) {
  const std::string bytes = BuildArchive({});
  ASSERT_EQ(bytes.size(), 4009u);
  ASSERT_TRUE(reader_.Open(Save(bytes)).ok());
  EXPECT_TRUE(reader_.entries().empty());
  EXPECT_TRUE(reader_.VerifyAll().ok());
}

TEST_F(ArchiveReaderTest, SinkFailureStopsTheRead) {
  class FailingSink : public EntrySink {
   public:
    Status Append(std::string_view) override {
      ++calls;
      return Status::IoError("Can't write file", "out/x");
    }
    int calls = 0;
  };
  ASSERT_TRUE(
      reader_.Open(Save(BuildArchive({Deflated("data/x", Text(500000))}))).ok());
  FailingSink sink;
  Status status = reader_.ReadEntry(0, sink);
  EXPECT_EQ(status.ToString(), "Can't write file: out/x");
  EXPECT_EQ(sink.calls, 1);
}

TEST_F(ArchiveReaderTest, ReadsWhatThePackEngineWritesInBothModes) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"data/empty", ""},
      {"data/My Sounds/a b.ogg", RandomBytes(200000, 5)},
      {"data/levels/data/one.txt", Text(1000000)},
  };
  std::vector<std::string> paths;
  for (const auto& [name, content] : files) {
    const auto path = folder_.path() / "src" / name;
    std::filesystem::create_directories(path.parent_path());
    test::WriteFile(path, content);
    paths.push_back(path.string());
  }
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress ? "deflated" : "stored");
    const std::string archive = (folder_.path() / "packed.kzf").string();
    CArchiveWriter writer;
    ASSERT_TRUE(writer.Pack({paths, archive, "data/", compress}).ok());

    // The same bytes as an archive laid out here, independently.
    std::vector<TestEntry> expected;
    for (const auto& [name, content] : files) {
      expected.push_back(compress ? Deflated(name, content)
                                  : Stored(name, content));
    }
    EXPECT_TRUE(test::ReadFile(archive) == BuildArchive(expected));

    // Closed before the next pack: Windows replaces no file held open.
    CArchiveReader reader;
    ASSERT_TRUE(reader.Open(archive).ok());
    ASSERT_TRUE(reader.VerifyAll().ok());
    ASSERT_EQ(reader.entries().size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
      EXPECT_EQ(reader.entries()[i].name, files[i].first);
      StringSink sink;
      ASSERT_TRUE(reader.ReadEntry(i, sink).ok());
      EXPECT_TRUE(sink.bytes_ == files[i].second) << files[i].first;
    }
  }
}

// One broken rule of the layout: how to break it, and what the error says.
struct LayoutFault {
  const char* what;
  std::function<void(std::string&)> breakIt;
  const char* message;
  const char* detail;  // expected within the detail
};

// Archive of two entries: data/a.txt stored ("hello"), data/b.bin deflated.
std::string TwoEntries() {
  return BuildArchive(
      {Stored("data/a.txt", "hello"), Deflated("data/b.bin", Text(5000))});
}

// Offsets within TwoEntries().
constexpr uint64_t kTwoDirectory = 4016;              // DirectoryOffset(2)
constexpr uint64_t kSecondRecord = kTwoDirectory + 32;  // after 22 + 10
constexpr uint64_t kTwoLast = kSecondRecord + 32;       // zero byte

TEST_F(ArchiveReaderTest, RejectsEachBrokenLayoutRuleNamingThePlace) {
  using namespace messages;
  const std::vector<LayoutFault> faults = {
      {"magic", [](std::string& a) { a[3] = '2'; }, kNotAnArchive,
       "starts with \"kzf2\", not \"kzf1\""},
      {"version", [](std::string& a) { PokeFixed32(a, 4, 0x20040506); },
       kUnsupportedVersion, "version 0x20040506, expected 0x20040505"},
      {"entry count above the limit",
       [](std::string& a) { PokeFixed32(a, 12, 0xFFFFFFFF); }, kDamagedArchive,
       "entry count 4294967295 exceeds 65535"},
      {"entry count the file can't hold",
       [](std::string& a) { PokeFixed32(a, 12, 65535); }, kDamagedArchive,
       "too short for the tables and directory of 65535 entries"},
      {"bucket count", [](std::string& a) { PokeFixed32(a, 24, 996); },
       kDamagedArchive, "bucket count at byte 24 is 996, expected 997"},
      {"bucket slot", [](std::string& a) { a[28 + 4 * 500 + 2] = 3; },
       kDamagedArchive, "bucket slot 500 is {0, 3}, expected {0, 2}"},
      {"bucket slot index", [](std::string& a) { a[28 + 4 * 996] = 1; },
       kDamagedArchive, "bucket slot 996 is {1, 2}"},
      {"pointer", [](std::string& a) { PokeFixed32(a, 20, kSecondRecord + 1); },
       kDamagedArchive, "entry 1: pointer 4049, expected 4048"},
      {"last directory byte before the directory's end",
       [](std::string& a) { PokeFixed32(a, 8, kTwoLast - 1); },
       kDamagedArchive, "entry 1: name of 10 bytes runs past the directory's end (byte 4079)"},
      {"last directory byte after the directory's end",
       [](std::string& a) { PokeFixed32(a, 8, kTwoLast + 1); },
       kDamagedArchive,
       "directory ends at byte 4080, but the header's last directory byte is "
       "4081"},
      {"last directory byte inside a record",
       [](std::string& a) { PokeFixed32(a, 8, kSecondRecord + 12); },
       kDamagedArchive,
       "entry 1: record at byte 4048 runs past the directory's end (byte "
       "4060)"},
      {"last directory byte beyond the file",
       [](std::string& a) {
         PokeFixed32(a, 8, static_cast<uint32_t>(a.size()));
       },
       kDamagedArchive, "lies beyond the file"},
      {"last directory byte out of range",
       [](std::string& a) { PokeFixed32(a, 8, 0xFFFFFFF0); }, kDamagedArchive,
       "last directory byte 4294967280 is outside the directory"},
      {"zero byte", [](std::string& a) { a[kTwoLast] = 'x'; }, kDamagedArchive,
       "byte 4080 after the directory is 120, expected 0"},
      {"reserved byte", [](std::string& a) { a[kTwoDirectory + 2] = 1; },
       kDamagedArchive, "entry 0 (data/a.txt): reserved bytes are not zero"},
      {"method", [](std::string& a) { a[kSecondRecord] = 6; }, kDamagedArchive,
       "entry 1 (data/b.bin): method 6, expected 4 (stored) or 5"},
      {"stored sizes differ",
       [](std::string& a) { PokeFixed32(a, kTwoDirectory + 8, 6); },
       kDamagedArchive, "entry 0 (data/a.txt): stored with packed size 5 but "
                        "size 6"},
      {"data offset",
       [](std::string& a) { PokeFixed32(a, kSecondRecord + 4, 4085); },
       kDamagedArchive, "entry 1 (data/b.bin): data offset 4085, expected 4086"},
      {"packed size beyond the file",
       [](std::string& a) { PokeFixed32(a, kSecondRecord + 12, 0x7FFFFFFF); },
       kDamagedArchive, "entry 1 (data/b.bin): data 4086 to 2147487733 run "
                        "past the file's end"},
      {"name length over the limit",
       [](std::string& a) { a[kTwoDirectory + 21] = 2; }, kDamagedArchive,
       "entry 0: name length 522 exceeds 511"},
      {"bytes after the data", [](std::string& a) { a += "x"; },
       kDamagedArchive, "but the entries' data end at"},
  };
  const std::string good = TwoEntries();
  ASSERT_TRUE(OpenAndVerify(good).ok());
  for (const LayoutFault& fault : faults) {
    SCOPED_TRACE(fault.what);
    std::string bytes = good;
    fault.breakIt(bytes);
    const std::string path = Save(bytes);
    Status status = reader_.Open(path);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.message(), fault.message);
    EXPECT_EQ(status.detail(), path);
    EXPECT_NE(status.reason().find(fault.detail), std::string::npos)
        << status.reason();
    EXPECT_TRUE(reader_.entries().empty());
  }
}

TEST_F(ArchiveReaderTest, VerifyRejectsEachBrokenEntry) {
  const std::string text = Text(5000);
  const std::string stream = test::Deflate(text);
  struct EntryFault {
    const char* what;
    TestEntry entry;
    std::function<void(std::string&)> breakIt;
    const char* detail;
    bool heldToo = false;  // reading the held bytes alone meets it too
  };
  const std::vector<EntryFault> faults = {
      {"stored CRC", Stored("data/x", text),
       [](std::string& a) { a[4012 + 16] ^= 1; },
       "entry 0 (data/x): CRC-32 of its held bytes is", true},
      {"deflated CRC", Deflated("data/x", text),
       [](std::string& a) { a[4012 + 16] ^= 1; }, "CRC-32 of its held bytes",
       true},
      {"size too large", Deflated("data/x", text),
       [](std::string& a) { PokeFixed32(a, 4012 + 8, 5001); },
       "inflates to 5000 bytes, but its size is 5001"},
      {"size too small", Deflated("data/x", text),
       [](std::string& a) { PokeFixed32(a, 4012 + 8, 4999); },
       "inflates to more than its size of 4999 bytes"},
      {"bytes after the stream",
       TestEntry{"data/x", kMethodDeflated, 5000, stream + "tail"}, nullptr,
       "4 bytes follow the end of its zlib stream"},
      {"stream cut short",
       TestEntry{"data/x", kMethodDeflated, 5000,
                 stream.substr(0, stream.size() - 3)},
       nullptr, "zlib stream is cut short"},
      {"empty stream", TestEntry{"data/x", kMethodDeflated, 0, ""}, nullptr,
       "zlib stream is cut short"},
      {"stored bytes marked deflated",
       TestEntry{"data/x", kMethodDeflated, 5000, text}, nullptr,
       "zlib stream is damaged"},
  };
  for (const EntryFault& fault : faults) {
    SCOPED_TRACE(fault.what);
    // One entry, whose record starts at byte 4012.
    std::string bytes = BuildArchive({fault.entry});
    if (fault.breakIt) fault.breakIt(bytes);
    ASSERT_TRUE(reader_.Open(Save(bytes)).ok());
    Status status = reader_.VerifyAll();
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.message(), messages::kDamagedArchive);
    EXPECT_NE(status.reason().find(fault.detail), std::string::npos)
        << status.reason();
    // Reading the entry meets the same fault.
    StringSink sink;
    EXPECT_EQ(reader_.ReadEntry(0, sink).ToString(), status.ToString());
    StringSink held;
    EXPECT_EQ(reader_.ReadHeld(0, held).ToString(),
              fault.heldToo ? status.ToString() : "");
  }
}

TEST_F(ArchiveReaderTest, RejectsFilesThatAreNoArchive) {
  using namespace messages;
  EXPECT_EQ(reader_.Open(Save("")).message(), kNotAnArchive);
  EXPECT_EQ(reader_.Open(Save("kz")).message(), kNotAnArchive);
  EXPECT_EQ(reader_.Open(Save(RandomBytes(100000, 7))).message(),
            kNotAnArchive);
  EXPECT_EQ(reader_.Open(Save("kzf1" + RandomBytes(100000, 8))).message(),
            kUnsupportedVersion);
  std::string garbage = "kzf1\x05\x05\x04\x20" + RandomBytes(100000, 9);
  EXPECT_EQ(reader_.Open(Save(garbage)).message(), kDamagedArchive);

  EXPECT_EQ(reader_.Open((folder_.path() / "missing").string()).ToString(),
            std::string(kCantOpenArchive) + ": " +
                (folder_.path() / "missing").string() + ": " +
                test::NoSuchFileReason());
  EXPECT_EQ(reader_.Open(folder_.path().string()).message(), kCantOpenArchive);
  // A FIFO, or on Windows a device, is refused at once rather than waited
  // on.
  std::string special = "NUL";
  if (!test::OnWindows()) {
    special = (folder_.path() / "fifo").string();
    ASSERT_TRUE(test::MakeFifo(special));
  }
  EXPECT_EQ(reader_.Open(special).ToString(), std::string(kCantOpenArchive) +
                                                  ": " + special +
                                                  ": Not a regular file");
}

TEST_F(ArchiveReaderTest, ReopeningAfterAFailureLeavesNoEntries) {
  ASSERT_TRUE(reader_.Open(Save(TwoEntries())).ok());
  ASSERT_EQ(reader_.entries().size(), 2u);
  EXPECT_FALSE(reader_.Open(Save("junk", "b.kzf")).ok());
  EXPECT_TRUE(reader_.entries().empty());
  EXPECT_FALSE(reader_.VerifyEntry(0).ok());
}

TEST_F(ArchiveReaderTest, NamesInErrorsAreEscaped) {
  // Shown as the system spells names: on Windows from its ANSI code page;
  // on POSIX a byte that is no UTF-8 is escaped.
  if (test::AnsiCodePage() == 1252) {
    EXPECT_EQ(DisplayName("caf\xe9\n"), "caf\xc3\xa9\\x0a");
  } else if (!test::OnWindows()) {
    EXPECT_EQ(DisplayName("caf\xe9\n"), "caf\\xe9\\x0a");
  }
  std::string bytes = BuildArchive({Stored("evil\n\x1b[2J", "abc")});
  bytes[bytes.size() - 1] ^= 1;
  ASSERT_TRUE(reader_.Open(Save(bytes)).ok());
  const std::string reason = reader_.VerifyAll().reason();
  EXPECT_NE(reason.find("entry 0 (evil\\x0a\\x1b[2J)"), std::string::npos)
      << reason;
}

TEST_F(ArchiveReaderTest, RejectsEveryTruncation) {
  const std::string good = TwoEntries();
  const std::string path = Save(good);
  // Shortened in place, from the longest prefix down to the empty file.
  for (size_t length = good.size(); length-- > 0;) {
    std::filesystem::resize_file(path, length);
    Status status = reader_.Open(path);
    ASSERT_FALSE(status.ok()) << "prefix of " << length << " bytes";
    ASSERT_FALSE(status.reason().empty());
  }
}

TEST_F(ArchiveReaderTest, RejectsEveryBitFlipOutsideTheNames) {
  const std::string good = TwoEntries();
  const std::string path = Save(good);
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  ASSERT_TRUE(file.is_open());
  auto poke = [&file](size_t offset, char value) {
    file.seekp(static_cast<std::streamoff>(offset));
    file.put(value);
    return static_cast<bool>(file.flush());
  };
  // Names carry no checksum: a changed name is still a sound archive.
  auto inName = [](size_t offset) {
    return (offset >= kTwoDirectory + 22 && offset < kTwoDirectory + 32) ||
           (offset >= kSecondRecord + 22 && offset < kSecondRecord + 32);
  };
  // Under wine every open is a trip to its server: there one bit a byte,
  // a different one each time, stands for all eight.
  const int bitsPerByte = test::OnWindows() ? 1 : 8;
  int flips = 0;
  for (size_t offset = 0; offset < good.size(); ++offset) {
    if (inName(offset)) continue;
    for (int n = 0; n < bitsPerByte; ++n) {
      const int bit = (static_cast<int>(offset) + n) % 8;
      ASSERT_TRUE(poke(offset, static_cast<char>(good[offset] ^ (1 << bit))));
      Status status = reader_.Open(path);
      if (status.ok()) status = reader_.VerifyAll();
      ASSERT_FALSE(status.ok()) << "byte " << offset << " bit " << bit;
      ++flips;
    }
    ASSERT_TRUE(poke(offset, good[offset]));
  }
  EXPECT_EQ(flips, bitsPerByte * static_cast<int>(good.size() - 20));
}

// Random damage, with a fixed seed: whatever the reader accepts it must be
// able to read back, entry by entry, at the sizes its directory gives.
TEST_F(ArchiveReaderTest, SurvivesRandomDamage) {
  const std::string good = BuildArchive({
      Stored("data/a.txt", "hello"),
      Deflated("data/b.bin", Text(70000)),
      Deflated("data/c", RandomBytes(3000, 4)),
  });
  std::mt19937 random(20040505);
  int accepted = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = good;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      const size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0: bytes[at] = static_cast<char>(random()); break;
        case 1: bytes[at] ^= static_cast<char>(1 << (random() % 8)); break;
        case 2: bytes.resize(at + 1); break;
        default: bytes.insert(at, 1 + random() % 8, static_cast<char>(random()));
      }
    }
    Status status = OpenAndVerify(bytes);
    if (!status.ok()) {
      ASSERT_FALSE(status.message().empty());
      continue;
    }
    ++accepted;
    for (size_t i = 0; i < reader_.entries().size(); ++i) {
      StringSink sink;
      ASSERT_TRUE(reader_.ReadEntry(i, sink).ok());
      ASSERT_EQ(sink.bytes_.size(), reader_.entries()[i].record.size);
    }
  }
  // Only damage confined to the names (or undone by itself) passes.
  EXPECT_LT(accepted, 50);
}

}  // namespace
}  // namespace varnok
