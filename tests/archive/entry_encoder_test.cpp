#include "archive/entry_encoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "tests/archive/collecting_sink.h"
#include "tests/archive/test_archive.h"

namespace varnok {
namespace {

using test::CollectingSink;

// Random bytes and text, a little over one buffer of the encoder's.
std::string Content() {
  std::mt19937 gen(5);
  std::string bytes;
  while (bytes.size() < CEntryEncoder::kBufferSize + 5) {
    for (int i = 0; i < 2000; ++i) bytes.push_back(static_cast<char>(gen()));
    bytes += "wall " + std::to_string(gen() % 100) + " floor\n";
  }
  return bytes;
}

TEST(EntryEncoderTest, ReusesAnEntryOnlyWhenTheFileIsExactlyWhatItHolds) {
  const std::string content = Content();
  std::string changedLast = content;
  changedLast.back() ^= 1;
  const std::string deflated =
      test::BuildArchive({test::Deflated("data/x", content)});
  // The entry inflates to the file, but its CRC-32 is wrong.
  std::string badCrc = deflated;
  test::PokeFixed32(badCrc, DirectoryOffset(1) + 16, 0);
  // Streams of the file made another way, which inflate to it all the same.
  auto madeOtherwise = [](const std::string& file, const std::string& held) {
    return test::BuildArchive({test::TestEntry{
        "data/x", kMethodDeflated, static_cast<uint32_t>(file.size()), held}});
  };
  const std::string shorterThanProbe = test::Text(10000);
  static_assert(10000 < CEntryEncoder::kWholeProbeBytes);

  struct Case {
    const char* what;
    std::string archive;  // whose only entry is offered
    bool compress;
    std::string file;
    bool reused;
  };
  const std::vector<Case> cases = {
      {"deflated, the same", deflated, true, content, true},
      {"the file grew", deflated, true, content + "!", false},
      {"the file shrank", deflated, true,
       content.substr(0, content.size() - 1), false},
      {"last byte changed", deflated, true, changedLast, false},
      {"wrong CRC-32", badCrc, true, content, false},
      // The header tells level 6 from level 9.
      {"deflated at level 6", madeOtherwise(content, test::Deflate(content, 6)),
       true, content, false},
      // Level 9's header: the probe finds the difference in the stream's
      // first block, or anywhere in a file no longer than it.
      {"another memory level",
       madeOtherwise(content, test::DeflateWith(content, 9, Z_DEFAULT_STRATEGY)),
       true, content, false},
      {"another strategy, a file shorter than the probe",
       madeOtherwise(shorterThanProbe,
                     test::DeflateWith(shorterThanProbe, 8, Z_FILTERED)),
       true, shorterThanProbe, false},
      // An entry of another method is never handed on.
      {"storing, offered a deflated entry", deflated, false, content, false},
  };
  test::TempFolder folder;
  const std::string archivePath = (folder.path() / "old.kzf").string();
  const std::string filePath = (folder.path() / "x").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFile(archivePath, c.archive);
    test::WriteFile(filePath, c.file);
    CArchiveReader old;
    ASSERT_TRUE(old.Open(archivePath).ok());

    CollectingSink sink;
    EncodedEntry entry;
    ASSERT_TRUE(CEntryEncoder(c.compress)
                    .Encode(filePath, &sink, &entry, EntryToReuse{&old, 0})
                    .ok());
    EXPECT_EQ(entry.reused, c.reused);
    const std::string expected = c.compress ? test::Deflate(c.file) : c.file;
    EXPECT_TRUE(sink.held == expected);
    EXPECT_EQ(entry.packedSize, expected.size());
    EXPECT_EQ(entry.crc, test::Crc32(expected));
    EXPECT_EQ(entry.size, c.file.size());
    // Bytes read once to compare and again to encode are counted once.
    EXPECT_EQ(sink.sourceBytes, c.file.size());
  }
}

}  // namespace
}  // namespace varnok
