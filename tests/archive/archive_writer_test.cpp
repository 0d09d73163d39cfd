#include "archive/archive_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_reader.h"
#include "archive/coding.h"
#include "archive/entry_encoder.h"
#include "base/escape.h"
#include "platform/process.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

using test::Crc32;
using test::RandomBytes;
using test::ReadFile;
using test::Text;
using test::WriteFile;

// An archive taken apart with the format's decoders.
struct Parsed {
  ArchiveHeader header;
  std::vector<uint32_t> pointers;
  uint32_t bucketCount = 0;
  std::vector<BucketSlot> slots;
  std::vector<EntryRecord> records;
  std::vector<std::string> names;
  std::vector<std::string> held;  // each entry's held bytes
};

Parsed Parse(const std::string& a) {
  Parsed p;
  p.header = DecodeHeader(a.data());
  const uint32_t n = p.header.entryCount;
  for (uint32_t i = 0; i < n; ++i) {
    p.pointers.push_back(
        DecodeFixed32(a.data() + PointerTableOffset() + 4 * i));
  }
  p.bucketCount = DecodeFixed32(a.data() + BucketCountOffset(n));
  for (uint32_t i = 0; i < kBucketCount; ++i) {
    p.slots.push_back(
        DecodeBucketSlot(a.data() + BucketTableOffset(n) + 4 * i));
  }
  for (uint32_t i = 0; i < n; ++i) {
    EntryRecord r = DecodeEntryRecord(a.data() + p.pointers[i]);
    p.records.push_back(r);
    p.names.push_back(a.substr(p.pointers[i] + kEntryRecordSize, r.nameLength));
    p.held.push_back(a.substr(r.dataOffset, r.packedSize));
  }
  return p;
}

class RecordingObserver : public PackObserver {
 public:
  std::function<bool(const PackProgress&)> onProgress;
  std::vector<PackProgress> seen;
  bool OnProgress(const PackProgress& progress) override {
    seen.push_back(progress);
    return onProgress ? onProgress(progress) : true;
  }
};

class ArchiveWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_.path().string();
    src_ = dir_ + "/src/data";
    out_ = dir_ + "/out";
    fs::create_directories(src_);
    fs::create_directories(out_);
    archive_ = out_ + "/game.kzf";
  }

  // Runs pack in a child process whose files may not grow past 64 KiB (a
  // write beyond fails with EFBIG); succeeds when the pack failed with
  // expected.
  static ::testing::AssertionResult FailsUnderFileSizeLimit(
      const std::function<Status()>& pack, const std::string& expected) {
    test::ChildOptions limited;
    limited.fileSizeLimit = 64 * 1024;
    const test::ChildResult result = test::RunInChild(
        [&] {
          InstallSignalHandling();  // as the programs do: no SIGXFSZ
          return pack().ToString() == expected ? 0 : 1;
        },
        limited);
    if (result.exitCode != 0) {
      return ::testing::AssertionFailure()
             << "the pack did not fail with \"" << expected << "\"";
    }
    return ::testing::AssertionSuccess();
  }

  std::string Source(const std::string& name, const std::string& bytes) {
    std::string path = src_ + "/" + name;
    WriteFile(path, bytes);
    return path;
  }

  // threads as for CArchiveWriter: 0 one per core, 1 the calling thread.
  Status Pack(std::vector<std::string> paths, bool compress,
              PackObserver* observer = nullptr, unsigned threads = 0) {
    PackRequest request{std::move(paths), archive_, "data/", compress};
    return CArchiveWriter(threads).Pack(request, observer);
  }

  // Names in the output folder: after a failed run, only what was there.
  std::vector<std::string> OutputFolder() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out_)) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

  test::TempFolder temp_;
  std::string dir_, src_, out_, archive_;
};

TEST_F(ArchiveWriterTest, OneStoredFileIsLaidOutByteForByte) {
  ASSERT_TRUE(Pack({Source("a.txt", "abc")}, false).ok());

  auto u32 = [](uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  };
  std::string expected = "kzf1" + u32(0x20040505) + u32(4044) + u32(1);
  expected += u32(4012) + u32(997);
  for (int i = 0; i < 997; ++i) expected += std::string("\0\0\1\0", 4);
  expected += std::string("\4\0\0\0", 4) + u32(4045) + u32(3) + u32(3) +
              u32(Crc32("abc")) + std::string("\x0A\0", 2) + "data/a.txt";
  expected += std::string(1, '\0') + "abc";
  ASSERT_EQ(expected.size(), 4048u);
  EXPECT_EQ(ReadFile(archive_), expected);
}

TEST_F(ArchiveWriterTest, EntriesTablesAndDataFollowRequestOrder) {
  const std::vector<std::string> contents = {"second", "", "first one"};
  std::vector<std::string> paths = {Source("z.bin", contents[0]),
                                    Source("empty", contents[1]),
                                    Source("a.txt", contents[2])};
  ASSERT_TRUE(Pack(paths, false).ok());
  const std::string archive = ReadFile(archive_);
  Parsed p = Parse(archive);

  EXPECT_EQ(p.header.entryCount, 3u);
  EXPECT_EQ(p.bucketCount, kBucketCount);
  for (const BucketSlot& slot : p.slots) {
    EXPECT_EQ(slot.firstEntry, 0);
    EXPECT_EQ(slot.entryCount, 3);
  }
  EXPECT_EQ(p.names, (std::vector<std::string>{"data/z.bin", "data/empty",
                                               "data/a.txt"}));
  uint32_t pointer = 4008 + 4 * 3;
  uint32_t offset = p.header.lastDirectoryByte + 1;
  for (size_t i = 0; i < 3; ++i) {
    // Each entry starts right where the previous name ends: no terminator.
    EXPECT_EQ(p.pointers[i], pointer);
    pointer += 22 + p.records[i].nameLength;
    EXPECT_EQ(p.records[i].method, kMethodStored);
    EXPECT_EQ(p.records[i].dataOffset, offset);
    offset += p.records[i].packedSize;
    EXPECT_EQ(p.records[i].size, contents[i].size());
    EXPECT_EQ(p.records[i].packedSize, contents[i].size());
    EXPECT_EQ(p.records[i].crc, Crc32(contents[i]));
    EXPECT_EQ(p.held[i], contents[i]);
  }
  EXPECT_EQ(p.records[1].crc, 0u);  // the CRC of nothing
  EXPECT_EQ(p.header.lastDirectoryByte, pointer);
  EXPECT_EQ(archive[pointer], '\0');
  EXPECT_EQ(archive.size(), offset);
}

TEST_F(ArchiveWriterTest, DeflatedEntriesHoldExactlyWhatCompress2Makes) {
  const size_t buffer = CEntryEncoder::kBufferSize;
  std::string text;
  while (text.size() < 3 * buffer)
    text += "texture tile " + std::to_string(text.size() % 977) + "\n";
  const std::vector<std::string> contents = {
      "",                                        // empty: an 8-byte stream
      "x",                                       // tiny: grows
      RandomBytes(1000, 1),                      // incompressible, small
      RandomBytes(2 * buffer + 123, 2),          // incompressible, buffers
      text.substr(0, buffer),                    // exactly one buffer
      text + RandomBytes(buffer / 2, 3) + text,  // mixed, many buffers
  };
  std::vector<std::string> paths;
  for (size_t i = 0; i < contents.size(); ++i) {
    paths.push_back(Source("f" + std::to_string(i), contents[i]));
  }
  ASSERT_TRUE(Pack(paths, true).ok());
  const std::string archive = ReadFile(archive_);
  Parsed p = Parse(archive);

  uint64_t end = p.header.lastDirectoryByte + 1;
  for (size_t i = 0; i < contents.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string expected = test::Deflate(contents[i]);
    EXPECT_EQ(p.records[i].method, kMethodDeflated);
    EXPECT_EQ(p.records[i].size, contents[i].size());
    EXPECT_EQ(p.records[i].dataOffset, end);
    EXPECT_EQ(p.held[i], expected);
    EXPECT_EQ(p.records[i].crc, Crc32(expected));
    end += p.records[i].packedSize;
  }
  EXPECT_EQ(archive.size(), end);
}

// The stored name of path with basePath, or the failure's message.
std::string NameOrMessage(std::string_view path, std::string_view basePath) {
  std::string name;
  const Status status = StoredName(path, basePath, &name);
  return status.ok() ? name : status.message();
}

TEST(StoredNameTest, CutsAtFirstBasePathAfterTurningBackslashes) {
  EXPECT_EQ(NameOrMessage("C:\\x\\data\\y\\data\\z.bin", "data/"),
            "data/y/data/z.bin");
  EXPECT_EQ(NameOrMessage("/home/me/game/data/a.txt", "data/"), "data/a.txt");
  EXPECT_EQ(NameOrMessage("/home/me/Data/a.txt", "data/"),
            messages::kBasePathNotFound);
  // A base path with a backslash can't match once every backslash is a '/'.
  EXPECT_EQ(NameOrMessage("C:\\x\\data\\a.txt", "data\\"),
            messages::kBasePathNotFound);
}

TEST_F(ArchiveWriterTest, StoresNamesAsTheSystemSpellsThem) {
  // POSIX stores a path's own bytes; Windows the name in its ANSI code page,
  // and refuses up front what that code page can't spell.
  const bool ansi = test::OnWindows();
  if (ansi && test::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "the names are chosen for code page 1252";
  }
  const auto source = [this](const std::string& name) {
    const std::string path = src_ + "/" + name;
    test::WriteFile(test::PathOf(path), name);
    return path;
  };
  const std::string cafe = source("caf\xC3\xA9.txt");      // é: E9 in 1252
  const std::string beetle = source("\xD0\x96uk.txt");     // Ж: not in 1252
  struct Case {
    std::vector<std::string> paths;
    std::string basePath;
    std::string result;  // the first stored name, or the failure
  };
  const std::vector<Case> cases = {
      {{cafe}, "data/", ansi ? "data/caf\xE9.txt" : "data/caf\xC3\xA9.txt"},
      {{cafe, beetle},
       "data/",
       ansi ? std::string(messages::kNotInCodePage) + ": " + beetle
            : "data/caf\xC3\xA9.txt"},
      {{cafe},
       "\xD0\x96/",
       ansi ? std::string(messages::kNotInCodePage) + ": \xD0\x96/"
            : std::string(messages::kBasePathNotFound) + ": " + cafe},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    PackRequest request{c.paths, archive_, c.basePath, false};
    const Status status = CArchiveWriter().Pack(request);
    EXPECT_EQ(status.ok() ? Parse(ReadFile(archive_)).names[0]
                          : status.ToString(),
              c.result);
    if (!status.ok()) EXPECT_TRUE(OutputFolder().empty());
    fs::remove(archive_);
  }
}

TEST_F(ArchiveWriterTest, OpensPathAsGivenEvenWithBackslashesInIt) {
  // On Linux a backslash is an ordinary byte of a file name; on Windows it
  // separates folders. Either way the name turns it into '/'.
  if (test::OnWindows()) fs::create_directories(src_ + "/pack/a");
  const std::string path = Source("pack\\a\\b.txt", "abc");
  PackRequest request{{path}, archive_, "pack/", false};
  ASSERT_TRUE(CArchiveWriter().Pack(request).ok());
  EXPECT_EQ(request.paths[0], path);
  const Parsed p = Parse(ReadFile(archive_));
  EXPECT_EQ(p.names[0], "pack/a/b.txt");
  EXPECT_EQ(p.held[0], "abc");
}

TEST_F(ArchiveWriterTest, RefusesBadRequestsBeforeWritingAnything) {
  const std::string good = Source("a.txt", "abc");
  const std::string folder = src_ + "/sub";
  fs::create_directory(folder);
  const std::string missing = src_ + "/missing";
  const std::string elsewhere = dir_ + "/elsewhere.txt";
  WriteFile(elsewhere, "x");
  // Sparse files: no disk taken.
  const std::string huge = Source("huge.bin", "");
  fs::resize_file(huge, uint64_t{1} << 31);
  std::vector<std::string> largest;  // together past 4 GiB
  for (const char* name : {"l1", "l2", "l3"}) {
    largest.push_back(Source(name, ""));
    fs::resize_file(largest.back(), kMaxFileSize);
  }
  struct Case {
    std::vector<std::string> paths;
    std::string basePath;
    bool compress;
    const char* message;
    std::string detail;
    std::string reason = {};  // checked when given
    std::vector<std::string> names = {};
  };
  const std::string longBase(512, 'b');
  const std::string longPath = "data/" + std::string(507, 'p');
  // good with the base path "/": from its first separator on, all '/'.
  std::string rooted = good.substr(good.find_first_of("/\\"));
  std::replace(rooted.begin(), rooted.end(), '\\', '/');
  std::vector<Case> cases = {
      {{}, "data/", false, messages::kNoFiles, ""},
      {{good}, "", false, messages::kEmptyBasePath, ""},
      {{good}, longBase, false, messages::kPathTooLong, longBase},
      {{good, longPath}, "data/", false, messages::kPathTooLong, longPath},
      {{good, elsewhere},
       "data/",
       false,
       messages::kBasePathNotFound,
       elsewhere},
      {{good, missing}, "data/", false, messages::kCantReadFile, missing},
      {{good, folder}, "data/", true, messages::kCantReadFile, folder},
      {{good, huge}, "data/", true, messages::kFileTooLarge, huge},
      {largest, "data/", false, messages::kTooLarge, archive_},
      // Names given in place of a base path are checked alike.
      {{good, elsewhere}, "", false, messages::kUnsafeStoredName, elsewhere,
       "x/../y: contains a \"..\" component", {"a", "x/../y"}},
      {{good}, "", false, messages::kPathTooLong, longPath, "", {longPath}},
      {{good, elsewhere}, "", false, messages::kDuplicateStoredName,
       good + " and " + elsewhere, "a", {"a", "a"}},
      // A given name's backslashes separate its parts, as in a cut name.
      {{good, elsewhere}, "", false, messages::kUnsafeStoredName, elsewhere,
       "d/../../evil: contains a \"..\" component", {"a", "d/..\\..\\evil"}},
      {{good, elsewhere}, "", false, messages::kDuplicateStoredName,
       good + " and " + elsewhere, "d/a/b", {"d/a/b", "d/a\\b"}},
      // Absolute on Windows, wherever it is made.
      {{good}, "", false, messages::kUnsafeStoredName, good, "", {"C:/x"}},
      {{good}, "/", false, messages::kUnsafeStoredName, good,
       EscapeName(rooted) + ": absolute path"},
  };
  // Names that only backslashes in POSIX file names make unsafe or alike;
  // on Windows a backslash separates folders.
  if (!test::OnWindows()) {
    fs::create_directory(src_ + "/a");
    const std::string slashed = Source("a/b", "x");
    const std::string backslashed = Source("a\\b", "y");
    const std::string escaping = Source("..\\..\\escape", "z");
    const std::string empty = Source("\\b", "e");
    const std::string dot = Source(".\\c", "d");
    const std::string trailing = Source("t\\", "t");
    cases.insert(
        cases.end(),
        {{{good, slashed, backslashed},
          "data/",
          false,
          messages::kDuplicateStoredName,
          slashed + " and " + backslashed,
          "data/a/b"},
         {{good, escaping},
          "data/",
          false,
          messages::kUnsafeStoredName,
          escaping,
          "data/../../escape: contains a \"..\" component"},
         {{empty}, "data/", false, messages::kUnsafeStoredName, empty,
          "data//b: contains an empty component"},
         {{dot}, "data/", false, messages::kUnsafeStoredName, dot,
          "data/./c: contains a \".\" component"},
         {{trailing}, "data/", false, messages::kUnsafeStoredName, trailing,
          "data/t/: names no file"}});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    PackRequest request{c.paths, archive_, c.basePath, c.compress};
    request.names = c.names;
    std::vector<PlannedEntry> planned;
    for (const Status& status : {CArchiveWriter().Pack(request),
                                 CArchiveWriter().Plan(request, &planned)}) {
      EXPECT_EQ(status.message(), c.message);
      EXPECT_EQ(status.detail(), c.detail);
      if (!c.reason.empty()) EXPECT_EQ(status.reason(), c.reason);
    }
    EXPECT_TRUE(OutputFolder().empty());
  }
}

TEST_F(ArchiveWriterTest, AcceptsPathOfExactly511Bytes) {
  std::string path = src_;
  while (path.size() + 201 < 509) {
    path += "/" + std::string(200, 'd');
    fs::create_directory(path);
  }
  path += "/" + std::string(511 - path.size() - 1, 'f');
  ASSERT_EQ(path.size(), 511u);
  WriteFile(path, "abc");
  EXPECT_TRUE(Pack({path}, false).ok());
}

TEST_F(ArchiveWriterTest, HoldsUpToTheFormatsEntryCount) {
  // 256 links to the folder they are in make 65,536 paths of one file,
  // each stored under a name of its own.
  if (!test::CanMakeSymbolicLinks(src_)) {
    GTEST_SKIP() << "no symbolic links here; 65,536 files would take minutes";
  }
  Source("f", "x");
  for (int i = 0; i < 256; ++i) {
    fs::create_directory_symlink(".", src_ + "/l" + std::to_string(i));
  }
  std::vector<std::string> paths;
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; ++j) {
      paths.push_back(src_ + "/l" + std::to_string(i) + "/l" +
                      std::to_string(j) + "/f");
    }
  }
  EXPECT_EQ(Pack(paths, false).message(), messages::kTooManyFiles);
  EXPECT_TRUE(OutputFolder().empty());

  paths.pop_back();
  ASSERT_TRUE(Pack(paths, false).ok());
  CArchiveReader reader;
  ASSERT_TRUE(reader.Open(archive_).ok());
  ASSERT_EQ(reader.entries().size(), kMaxEntries);
  EXPECT_EQ(reader.entries().back().name, "data/l255/l254/f");
  EXPECT_TRUE(reader.VerifyEntry(kMaxEntries - 1).ok());
}

TEST_F(ArchiveWriterTest, KeepsTheArchiveWithinItsLongestLength) {
  // Files that do not compress: deflated, the archive is longer than
  // stored. Its longest length is the format's 4 GiB, made small here.
  const std::vector<std::string> paths = {
      Source("a.bin", RandomBytes(300 * 1024, 10)), Source("b", "b"),
      Source("c.bin", RandomBytes(3000, 11))};
  const struct {
    bool compress;
    unsigned threads;
  } runs[] = {{false, 1}, {true, 1}, {true, 3}};
  for (const auto& run : runs) {
    SCOPED_TRACE(testing::Message() << "compress " << run.compress << ", "
                                    << run.threads << " threads");
    fs::remove(archive_);
    ASSERT_TRUE(Pack(paths, run.compress, nullptr, run.threads).ok());
    const std::string archive = ReadFile(archive_);
    fs::remove(archive_);

    PackRequest request{paths, archive_, "data/", run.compress};
    PackLimits limits;
    limits.archiveLength = archive.size() - 1;
    const Status status = CArchiveWriter(run.threads, limits).Pack(request);
    EXPECT_EQ(status.message(), messages::kTooLarge);
    EXPECT_EQ(status.detail(), archive_);
    EXPECT_TRUE(OutputFolder().empty());

    // Past the length engines that read offsets as signed numbers can
    // load, the archive is written all the same, and the writer says so.
    limits.archiveLength = archive.size();
    for (const uint64_t signedLength : {archive.size() - 1, archive.size()}) {
      limits.signedArchiveLength = signedLength;
      CArchiveWriter writer(run.threads, limits);
      ASSERT_TRUE(writer.Pack(request).ok());
      EXPECT_TRUE(ReadFile(archive_) == archive);
      EXPECT_EQ(writer.archiveLength(), archive.size());
      EXPECT_EQ(writer.pastSignedLength(), signedLength < archive.size());
    }
  }
}

TEST_F(ArchiveWriterTest, ArchiveSideFailuresNameTheArchive) {
  struct Case {
    std::string archive;
    std::string reason;
  };
  std::vector<Case> cases = {
      {out_, "Not a regular file"},
      {dir_ + "/no/such/folder/game.kzf", test::NoSuchFolderReason()},
  };
  const std::string dangling = out_ + "/dangling.kzf";
  const bool links = test::CanMakeSymbolicLinks(out_);
  if (links) {
    fs::create_symlink(out_ + "/nowhere/game.kzf", dangling);
    // As cp does, a link that leads nowhere is not replaced by a file.
    cases.push_back({dangling, "Not writing through a dangling symbolic link"});
  }
  for (const Case& c : cases) {
    PackRequest request{{Source("a.txt", "abc")}, c.archive, "data/", false};
    EXPECT_EQ(CArchiveWriter().Pack(request).ToString(),
              "Can't open file: " + c.archive + ": " + c.reason);
  }
  if (links) EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(OutputFolder(), links ? std::vector<std::string>{"dangling.kzf"}
                                  : std::vector<std::string>{});
}

TEST_F(ArchiveWriterTest, SourceVanishingMidRunKeepsOldArchive) {
  WriteFile(archive_, "old archive");
  const std::string first =
      Source("a.bin", RandomBytes(3 * CEntryEncoder::kBufferSize, 4));
  const std::string second = Source("b.bin", "soon gone");
  RecordingObserver observer;
  observer.onProgress = [&](const PackProgress& progress) {
    if (progress.bytesDone > 0) fs::remove(second);
    return true;
  };
  // On one thread, so that the second file is read only after the first.
  Status status = Pack({first, second}, true, &observer, 1);
  EXPECT_EQ(status.ToString(),
            "Can't read file: " + second + ": " + test::NoSuchFileReason());
  EXPECT_EQ(ReadFile(archive_), "old archive");
  EXPECT_EQ(OutputFolder(), std::vector<std::string>{"game.kzf"});
}

TEST_F(ArchiveWriterTest, WriteFailureKeepsOldArchive) {
  if (test::OnWindows()) GTEST_SKIP() << "Windows has no file-size limit";
  WriteFile(archive_, "old archive");
  const std::string big = Source("big.bin", RandomBytes(1 << 20, 5));
  EXPECT_TRUE(FailsUnderFileSizeLimit([&] { return Pack({big}, false); },
                                      "Can't write file: " + archive_ +
                                          ": File too large"));
  EXPECT_EQ(ReadFile(archive_), "old archive");
  EXPECT_EQ(OutputFolder(), std::vector<std::string>{"game.kzf"});
}

TEST_F(ArchiveWriterTest, CancelLeavesNothingBehind) {
  const std::string path =
      Source("a.bin", RandomBytes(3 * CEntryEncoder::kBufferSize, 6));
  RecordingObserver atOnce;
  atOnce.onProgress = [](const PackProgress&) { return false; };
  EXPECT_EQ(Pack({path}, false, &atOnce).message(), messages::kCancelled);
  EXPECT_TRUE(OutputFolder().empty());

  WriteFile(archive_, "old archive");
  RecordingObserver midway;
  midway.onProgress = [](const PackProgress& p) { return p.bytesDone == 0; };
  EXPECT_EQ(Pack({path}, true, &midway).message(), messages::kCancelled);
  EXPECT_EQ(ReadFile(archive_), "old archive");
  EXPECT_EQ(OutputFolder(), std::vector<std::string>{"game.kzf"});
}

TEST_F(ArchiveWriterTest, ProgressCountsEntriesAndSourceBytes) {
  const size_t big = 2 * CEntryEncoder::kBufferSize + 5;
  RecordingObserver observer;
  ASSERT_TRUE(Pack({Source("a", std::string(big, 'a')), Source("b", "bb")},
                   true, &observer)
                  .ok());
  ASSERT_FALSE(observer.seen.empty());
  EXPECT_EQ(observer.seen.front().bytesDone, 0u);
  uint64_t lastBytes = 0;
  for (const PackProgress& p : observer.seen) {
    EXPECT_EQ(p.entriesTotal, 2u);
    EXPECT_EQ(p.bytesTotal, big + 2);
    EXPECT_GE(p.bytesDone, lastBytes);
    lastBytes = p.bytesDone;
  }
  EXPECT_EQ(observer.seen.back().entriesDone, 2u);
  EXPECT_EQ(observer.seen.back().bytesDone, big + 2);
  EXPECT_GT(observer.seen.size(), 4u);  // one report per buffer at least
}

TEST_F(ArchiveWriterTest, FileGrowingWhilePackedIsRecordedAsRead) {
  const std::string original = RandomBytes(2 * CEntryEncoder::kBufferSize, 7);
  const std::string path = Source("grows.bin", original);
  RecordingObserver observer;
  bool grown = false;
  observer.onProgress = [&](const PackProgress& p) {
    if (p.bytesDone > 0 && !grown) {
      std::ofstream(path, std::ios::binary | std::ios::app) << "tail";
      grown = true;
    }
    return true;
  };
  ASSERT_TRUE(Pack({path, Source("next", "n")}, false, &observer).ok());
  const std::string archive = ReadFile(archive_);
  Parsed p = Parse(archive);
  EXPECT_EQ(p.held[0], original + "tail");
  EXPECT_EQ(p.records[0].size, original.size() + 4);
  EXPECT_EQ(p.records[0].crc, Crc32(original + "tail"));
  EXPECT_EQ(p.held[1], "n");
  EXPECT_EQ(archive.size(), p.records[1].dataOffset + 1u);
}

TEST_F(ArchiveWriterTest, ReplacedArchiveKeepsModeAndSymlink) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "Windows files have no POSIX mode; their attributes are "
                    "Win32TemporaryFileTest's";
  }
  const std::string path = Source("a.txt", "abc");
  const unsigned old = test::SetFileCreationMask(027);
  ASSERT_TRUE(Pack({path}, false).ok());
  test::SetFileCreationMask(old);
  EXPECT_EQ(fs::status(archive_).permissions(), fs::perms::owner_read |
                                                    fs::perms::owner_write |
                                                    fs::perms::group_read);

  fs::permissions(archive_, fs::perms::owner_read | fs::perms::owner_write);
  const std::string link = out_ + "/link.kzf";
  fs::create_symlink(archive_, link);
  PackRequest request{{path}, link, "src/", false};
  ASSERT_TRUE(CArchiveWriter().Pack(request).ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Parse(ReadFile(archive_)).names[0], "src/data/a.txt");
  EXPECT_EQ(fs::status(archive_).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ArchiveWriterTest, DeflatingOnManyThreadsGivesTheSameArchive) {
  // A game folder's mix: empty and tiny files, text, media that does not
  // compress, and files over the size workers hold in memory, which with
  // the tight limits also fill the budget and the files ahead.
  const size_t kib = 1024;
  std::vector<std::string> contents = {"", "x", "abc"};
  for (unsigned i = 0; i < 24; ++i) contents.push_back(Text(i * 97, i));
  contents.push_back(Text(30 * kib, 1));
  contents.push_back(RandomBytes(100 * kib, 2));
  contents.push_back(Text(200 * kib, 3) + RandomBytes(100 * kib, 4));
  contents.push_back(RandomBytes(40 * kib, 5) + Text(100, 6));
  contents.push_back(RandomBytes(500 * kib, 7) + Text(400 * kib, 8));
  contents.push_back("last");

  std::vector<std::string> paths;
  std::vector<test::TestEntry> expected;
  for (size_t i = 0; i < contents.size(); ++i) {
    const std::string name = "f" + std::to_string(i);
    paths.push_back(Source(name, contents[i]));
    expected.push_back(test::Deflated("data/" + name, contents[i]));
  }
  const std::string archive = test::BuildArchive(expected);
  const PackLimits tight{kMaxArchiveLength, {64 * kib, 256 * kib, 4}};
  const struct {
    unsigned threads;
    PackLimits limits;
  } runs[] = {{1, {}}, {0, {}}, {3, {}}, {3, tight}, {8, tight}};
  for (const auto& run : runs) {
    SCOPED_TRACE(testing::Message()
                 << run.threads << " threads, held files up to "
                 << run.limits.encodeAhead.maxHeldFileSize);
    fs::remove(archive_);  // nothing to reuse: every run deflates
    PackRequest request{paths, archive_, "data/", true};
    ASSERT_TRUE(CArchiveWriter(run.threads, run.limits).Pack(request).ok());
    EXPECT_TRUE(ReadFile(archive_) == archive);
  }
}

TEST_F(ArchiveWriterTest, FirstFailingFileInRequestOrderIsReported) {
  // Files vanish after the check, before any is read; workers meet the
  // later ones first, while the first file is still being deflated.
  const std::string first =
      Source("a.bin", RandomBytes(3 * CEntryEncoder::kBufferSize, 8));
  struct Case {
    std::vector<std::string> vanishing;  // of b, c, d
    std::string reported;
    uint32_t entriesWritten;  // before the failure
  };
  const std::vector<Case> cases = {
      {{"b", "d"}, "b", 1},
      {{"d"}, "d", 3},
  };
  for (const Case& c : cases) {
    for (unsigned threads : {1u, 0u, 3u}) {
      SCOPED_TRACE(c.reported + ", threads " + std::to_string(threads));
      std::vector<std::string> paths = {first};
      for (const char* name : {"b", "c", "d"}) {
        paths.push_back(Source(name, std::string("small ") + name));
      }
      RecordingObserver observer;
      observer.onProgress = [&](const PackProgress&) {
        if (observer.seen.size() == 1) {
          for (const std::string& name : c.vanishing) fs::remove(src_ + "/" + name);
        }
        return true;
      };
      const Status status = Pack(paths, true, &observer, threads);
      EXPECT_EQ(status.ToString(), "Can't read file: " + src_ + "/" +
                                       c.reported + ": " +
                                       test::NoSuchFileReason());
      EXPECT_EQ(observer.seen.back().entriesDone, c.entriesWritten);
      EXPECT_TRUE(OutputFolder().empty());
    }
  }
}

TEST_F(ArchiveWriterTest, ArchiveWriteFailureComesBeforeLaterReadFailure) {
  if (test::OnWindows()) GTEST_SKIP() << "Windows has no file-size limit";
  const std::string big = Source("big.bin", RandomBytes(1 << 20, 9));
  const std::string gone = Source("gone.bin", "soon gone");
  // The first file can't be written whole; a worker finds the second gone
  // long before.
  RecordingObserver observer;
  observer.onProgress = [&](const PackProgress&) {
    fs::remove(gone);
    return true;
  };
  EXPECT_TRUE(FailsUnderFileSizeLimit(
      [&] { return Pack({big, gone}, true, &observer, 3); },
      "Can't write file: " + archive_ + ": File too large"));
  EXPECT_TRUE(OutputFolder().empty());
}

TEST_F(ArchiveWriterTest, ThreadsReportOnlyThroughPackAndEndWithIt) {
  std::vector<std::string> paths;
  uint64_t total = 0;
  for (unsigned i = 0; i < 16; ++i) {
    const std::string bytes =
        RandomBytes(150 * 1024, i) + Text(150 * 1024, i);
    total += bytes.size();
    paths.push_back(Source("f" + std::to_string(i), bytes));
  }
  const size_t threadsBefore = test::ThreadCount();

  RecordingObserver observer;
  std::set<std::thread::id> reporters;
  observer.onProgress = [&](const PackProgress&) {
    reporters.insert(std::this_thread::get_id());
    return true;
  };
  ASSERT_TRUE(Pack(paths, true, &observer, 3).ok());
  EXPECT_EQ(test::ThreadCount(), threadsBefore);
  EXPECT_EQ(reporters, std::set<std::thread::id>{std::this_thread::get_id()});
  uint64_t lastBytes = 0;
  uint32_t lastEntries = 0;
  for (const PackProgress& p : observer.seen) {
    EXPECT_GE(p.bytesDone, lastBytes);
    EXPECT_GE(p.entriesDone, lastEntries);
    EXPECT_LE(p.entriesDone, lastEntries + 1);
    lastBytes = p.bytesDone;
    lastEntries = p.entriesDone;
  }
  EXPECT_EQ(observer.seen.back().bytesDone, total);
  EXPECT_EQ(observer.seen.back().entriesDone, paths.size());
  // At least one report for each buffer read, and one for each entry.
  EXPECT_GE(observer.seen.size(), 1 + 2 * paths.size() + paths.size());

  // A cancel midway ends the run, its threads and its temporary file.
  WriteFile(archive_, "old archive");
  RecordingObserver cancelling;
  cancelling.onProgress = [](const PackProgress& p) {
    return p.bytesDone < 300 * 1024;
  };
  EXPECT_EQ(Pack(paths, true, &cancelling, 3).message(),
            messages::kCancelled);
  EXPECT_EQ(test::ThreadCount(), threadsBefore);
  EXPECT_EQ(ReadFile(archive_), "old archive");
  EXPECT_EQ(OutputFolder(), std::vector<std::string>{"game.kzf"});
}

// A repack over an existing archive gives exactly the bytes of a full pack,
// and reuses just the entries that still hold their files.
TEST_F(ArchiveWriterTest, RepackGivesTheBytesOfAFullPack) {
  // a.txt spans several buffers; b.bin does not compress.
  const std::vector<std::pair<std::string, std::string>> tree = {
      {"a.txt", Text(300 * 1024, 1)}, {"b.bin", RandomBytes(100000, 2)},
      {"c", ""},                           {"d.txt", Text(20000, 3)},
      {"e.txt", Text(5000, 4)},
  };
  auto flipByte = [](const std::string& path, uint64_t offset) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekg(static_cast<std::streamoff>(offset));
    const char c = static_cast<char>(file.get() ^ 0x20);
    file.seekp(static_cast<std::streamoff>(offset));
    file.put(c);
  };
  auto entryMiddle = [&](const std::string& name) {
    const Parsed p = Parse(ReadFile(archive_));
    for (size_t i = 0; i < p.names.size(); ++i) {
      if (p.names[i] == "data/" + name) {
        return p.records[i].dataOffset + p.records[i].packedSize / 2;
      }
    }
    throw std::runtime_error("no entry " + name);
  };

  // The archive as another tool leaves it: the pack engine's entries, but
  // name's, which holds what deflate makes of its file.
  auto rewrite = [&](const std::string& name,
                     std::function<std::string(const std::string&)> deflate) {
    std::vector<test::TestEntry> entries;
    for (const auto& [file, content] : tree) {
      entries.push_back(test::Deflated("data/" + file, content));
      if (file == name) entries.back().held = deflate(content);
    }
    WriteFile(archive_, test::BuildArchive(entries));
  };

  struct Case {
    const char* what;
    bool oldCompress;  // how the archive at the target was made
    bool compress;     // how the repack runs
    std::function<void()> change;  // to the tree and the target, after
    uint32_t reused;
    int level = kDefaultLevel;        // of the repack
    std::vector<bool> keepStored = {};  // of the repack
  };
  const std::vector<Case> cases = {
      {"nothing changed", true, true, [] {}, 5},
      {"changed, added, removed and renamed files", true, true,
       [&] {
         Source("d.txt", Text(20001, 3));
         Source("f.txt", "new");
         fs::remove(src_ + "/c");
         fs::rename(src_ + "/e.txt", src_ + "/g.txt");
       },
       2},
      {"a byte changed deep in a file", true, true,
       [&] { flipByte(src_ + "/a.txt", 280 * 1024); }, 4},
      {"a byte changed, its time set back", true, true,
       [&] {
         const std::string path = src_ + "/b.bin";
         const auto time = fs::last_write_time(path);
         flipByte(path, 100);
         fs::last_write_time(path, time);
       },
       4},
      {"stored archive, deflating run", false, true, [] {}, 0},
      {"deflated archive, storing run", true, false, [] {}, 0},
      {"an entry's held bytes damaged", true, true,
       [&] { flipByte(archive_, entryMiddle("b.bin")); }, 4},
      {"archive cut short", true, true,
       [&] { fs::resize_file(archive_, fs::file_size(archive_) - 1); }, 0},
      {"deflated by another deflate", true, true,
       [&] {
         std::vector<test::TestEntry> entries;
         for (const auto& [name, content] : tree) {
           entries.push_back(test::Deflated("data/" + name, content, 1));
         }
         WriteFile(archive_, test::BuildArchive(entries));
       },
       0},
      // Another tool rewrote one entry: at level 6 (the header tells), or
      // at level 9 with another memory level (the probe tells).
      {"an entry rewritten at level 6", true, true,
       [&] {
         rewrite("d.txt", [](const std::string& content) {
           return test::Deflate(content, 6);
         });
       },
       4},
      {"an entry rewritten with another memory level", true, true,
       [&] {
         rewrite("b.bin", [](const std::string& content) {
           return test::DeflateWith(content, 9, Z_DEFAULT_STRATEGY);
         });
       },
       4},
      {"not an archive at the target", true, true,
       [&] { WriteFile(archive_, "not an archive"); }, 0},
      // Entries proven to inflate to a file hold level 9 streams only.
      {"repacked at level 8", true, true, [] {}, 0, 8},
      // An entry of b.bin is deflated, but the repack stores b.bin.
      {"a file to be stored", true, true, [] {}, 4, kDefaultLevel,
       {false, true}},
  };
  const std::string full = out_ + "/full.kzf";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(src_);
    fs::create_directories(src_);
    std::vector<std::string> paths;
    for (const auto& [name, content] : tree) {
      paths.push_back(Source(name, content));
    }
    ASSERT_TRUE(
        CArchiveWriter(1)
            .Pack(PackRequest{paths, archive_, "data/", c.oldCompress, false})
            .ok());
    c.change();
    const std::string old = ReadFile(archive_);
    paths.clear();
    for (const auto& file : fs::directory_iterator(src_)) {
      paths.push_back(file.path().string());
    }
    std::sort(paths.begin(), paths.end());
    ASSERT_TRUE(CArchiveWriter(1)
                    .Pack(PackRequest{paths, full, "data/", c.compress, false,
                                      {}, c.keepStored, c.level})
                    .ok());

    for (unsigned threads : {1u, 3u}) {
      SCOPED_TRACE(threads);
      WriteFile(archive_, old);
      RecordingObserver observer;
      ASSERT_TRUE(CArchiveWriter(threads)
                      .Pack(PackRequest{paths, archive_, "data/", c.compress,
                                        true, {}, c.keepStored, c.level},
                            &observer)
                      .ok());
      EXPECT_TRUE(ReadFile(archive_) == ReadFile(full));
      const PackProgress& last = observer.seen.back();
      EXPECT_EQ(last.entriesReused, c.reused);
      // A file compared, found changed and then encoded counts once.
      EXPECT_EQ(last.bytesDone, last.bytesTotal);
    }
  }
}

// Names given one per file, files kept stored while the others deflate, and
// deflate's level: the archive holds what the request asks for, and Plan
// tells it without writing anything.
TEST_F(ArchiveWriterTest, TakesNamesMethodsAndLevelFromTheRequest) {
  const std::string text = Text(70000, 5);
  const std::string image = RandomBytes(5000, 6);
  const std::vector<std::string> paths = {Source("a.txt", text),
                                          Source("b.png", image)};
  struct Case {
    std::vector<std::string> names;
    std::vector<bool> keepStored;
    int level;
    std::vector<test::TestEntry> expected;
  };
  const std::vector<Case> cases = {
      {{"mod/a.txt", "mod/b.png"}, {}, 9,
       {test::Deflated("mod/a.txt", text), test::Deflated("mod/b.png", image)}},
      {{}, {false, true}, 9,
       {test::Deflated("data/a.txt", text), test::Stored("data/b.png", image)}},
      {{"x", "y"}, {true, false}, 1,
       {test::Stored("x", text), test::Deflated("y", image, 1)}},
      {{}, {}, 4,
       {test::Deflated("data/a.txt", text, 4),
        test::Deflated("data/b.png", image, 4)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.names) + " level " +
                 std::to_string(c.level));
    fs::remove_all(out_);
    fs::create_directories(out_);
    PackRequest request{paths, archive_, "data/", true};
    request.names = c.names;
    request.keepStored = c.keepStored;
    request.level = c.level;
    std::vector<PlannedEntry> planned;
    ASSERT_TRUE(CArchiveWriter().Plan(request, &planned).ok());
    EXPECT_TRUE(OutputFolder().empty());
    ASSERT_EQ(planned.size(), c.expected.size());
    for (size_t i = 0; i < planned.size(); ++i) {
      EXPECT_EQ(planned[i].name, c.expected[i].name);
      EXPECT_EQ(planned[i].size, c.expected[i].size);
      EXPECT_EQ(planned[i].method, c.expected[i].method);
    }
    ASSERT_TRUE(CArchiveWriter(2).Pack(request).ok());
    EXPECT_TRUE(ReadFile(archive_) == test::BuildArchive(c.expected));
  }
}

}  // namespace
}  // namespace varnok
