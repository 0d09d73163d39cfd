#include "archive/archive_diff.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "tests/archive/test_archive.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

// Text that deflates differently at each level once it is long enough.
std::string Text(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < n) {
    text += "entity " + std::to_string(random() % 5000) + " origin " +
            std::to_string(random() % 1024) + " 0 64\n";
  }
  text.resize(n);
  return text;
}

class ArchiveDiffTest : public ::testing::Test {
 protected:
  // The tree as it is packed first: a.txt to d.txt, growing in size.
  void SetUp() override {
    src_ = temp_.path() / "data";
    fs::create_directories(src_);
    for (size_t i = 0; i < 4; ++i) {
      Write(std::string(1, static_cast<char>('a' + i)) + ".txt",
            Text(20000 * (i + 1), static_cast<unsigned>(i)));
    }
    archive_ = (temp_.path() / "game.kzf").string();
  }

  void Write(const std::string& name, const std::string& content) {
    test::WriteFile(src_ / name, content);
  }
  std::string Read(const std::string& name) {
    return test::ReadFile(src_ / name);
  }
  // Changes the first byte of a file, keeping its size.
  void Touch(const std::string& name) {
    std::string content = Read(name);
    content[0] ^= 1;
    Write(name, content);
  }

  // A request for the tree as it is now.
  PackRequest Request(bool compress, int level = kDefaultLevel) {
    PackRequest request;
    for (const auto& file : fs::directory_iterator(src_)) {
      request.paths.push_back(file.path().string());
    }
    std::sort(request.paths.begin(), request.paths.end());
    request.archiveName = archive_;
    request.basePath = "data/";
    request.compress = compress;
    request.level = level;
    return request;
  }

  // The differences as "A name", "D name" and "M name".
  std::vector<std::string> Differences(const PackRequest& request,
                                       unsigned threads) {
    std::vector<ArchiveDifference> differences;
    const Status status = CArchiveDiff(threads).Compare(request, &differences);
    EXPECT_TRUE(status.ok()) << status.ToString();
    std::vector<std::string> lines;
    for (const ArchiveDifference& difference : differences) {
      const char* mark =
          difference.kind == ArchiveDifference::Kind::kAdded     ? "A "
          : difference.kind == ArchiveDifference::Kind::kRemoved ? "D "
                                                                 : "M ";
      lines.push_back(mark + difference.name);
    }
    return lines;
  }

  test::TempFolder temp_;
  fs::path src_;
  std::string archive_;
};

// Each row packs the tree, changes the tree or the archive, and compares;
// whenever the diff finds no difference, a pack gives the archive's bytes.
TEST_F(ArchiveDiffTest, FindsEveryNamePackingWouldAddRemoveOrChange) {
  // The archive's entries by hand: names and methods in the order given.
  auto handMade = [this](std::vector<std::pair<std::string, std::string>>
                             entries,
                         bool deflate, int level) {
    std::vector<test::TestEntry> built;
    for (const auto& [name, file] : entries) {
      const std::string content = Read(file);
      built.push_back(deflate ? test::Deflated(name, content, level)
                              : test::Stored(name, content));
    }
    test::WriteFile(archive_, test::BuildArchive(built));
  };
  const std::vector<std::pair<std::string, std::string>> tree = {
      {"data/a.txt", "a.txt"}, {"data/b.txt", "b.txt"},
      {"data/c.txt", "c.txt"}, {"data/d.txt", "d.txt"}};
  struct Case {
    const char* what;
    bool oldCompress;
    std::function<void()> change;
    std::vector<std::string> differences;
    bool compress = true;
    int level = kDefaultLevel;
    int oldLevel = kDefaultLevel;
  };
  const std::vector<Case> cases = {
      {"nothing changed", true, [] {}, {}},
      {"nothing changed, stored", false, [] {}, {}, false},
      {"a byte deep in a file", true,
       [&] {
         std::string content = Read("c.txt");
         content[50000] ^= 1;
         Write("c.txt", content);
       },
       {"M data/c.txt"}},
      {"a byte of a stored file", false, [&] { Touch("b.txt"); },
       {"M data/b.txt"}, false},
      {"a file grew", true, [&] { Write("a.txt", Read("a.txt") + "!"); },
       {"M data/a.txt"}},
      {"added, removed, renamed", true,
       [&] {
         Write("0.txt", "new");
         fs::remove(src_ / "b.txt");
         fs::rename(src_ / "d.txt", src_ / "e.txt");
       },
       {"A data/0.txt", "A data/e.txt", "D data/b.txt", "D data/d.txt"}},
      // The check of the archive's deflate fails on the files it tries,
      // which all changed: the one left is deflated again, and is the same.
      {"the files the deflate check tries changed", true,
       [&] {
         Touch("a.txt");
         Touch("b.txt");
         Touch("c.txt");
       },
       {"M data/a.txt", "M data/b.txt", "M data/c.txt"}},
      {"stored archive, deflating run", false, [] {},
       {"M data/a.txt", "M data/b.txt", "M data/c.txt", "M data/d.txt"}},
      {"deflated at level 1", true, [&] { handMade(tree, true, 1); },
       {"M data/a.txt", "M data/b.txt", "M data/c.txt", "M data/d.txt"}},
      {"level 3 both times", true, [] {}, {}, true, 3, 3},
      {"level 3 run over a level 9 archive", true, [] {},
       {"M data/a.txt", "M data/b.txt", "M data/c.txt", "M data/d.txt"},
       true, 3},
      // c.txt comes before b.txt: whatever follows a later entry moved.
      {"another order", true,
       [&] {
         handMade({tree[0], tree[2], tree[1], tree[3]}, true, kDefaultLevel);
       },
       {"M data/c.txt"}},
      {"a name twice", true,
       [&] {
         handMade({tree[0], tree[1], tree[1], tree[2], tree[3]}, true,
                  kDefaultLevel);
       },
       {"D data/b.txt"}},
      {"an entry's held bytes damaged", true,
       [&] {
         CArchiveReader reader;
         ASSERT_TRUE(reader.Open(archive_).ok());
         std::string bytes = test::ReadFile(archive_);
         bytes[reader.entries()[3].record.dataOffset + 100] ^= 1;
         test::WriteFile(archive_, bytes);
       },
       {"M data/d.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(src_);
    SetUp();
    PackRequest old = Request(c.oldCompress, c.oldLevel);
    old.reuse = false;
    ASSERT_TRUE(CArchiveWriter(1).Pack(old).ok());
    c.change();
    const PackRequest request = Request(c.compress, c.level);
    for (unsigned threads : {1u, 3u}) {
      SCOPED_TRACE(threads);
      EXPECT_EQ(Differences(request, threads), c.differences);
    }
    if (c.differences.empty()) {
      const std::string before = test::ReadFile(archive_);
      ASSERT_TRUE(CArchiveWriter().Pack(request).ok());
      EXPECT_TRUE(test::ReadFile(archive_) == before);
    }
  }
}

TEST_F(ArchiveDiffTest, FailsOnWhatItCannotRead) {
  PackRequest request = Request(true);
  std::vector<ArchiveDifference> differences;
  Status status = CArchiveDiff().Compare(request, &differences);
  EXPECT_EQ(status.message(), messages::kCantOpenArchive);
  ASSERT_TRUE(CArchiveWriter().Pack(request).ok());
  request.paths.push_back((src_ / "missing.txt").string());
  status = CArchiveDiff().Compare(request, &differences);
  EXPECT_EQ(status.message(), messages::kCantReadFile);
  EXPECT_EQ(status.detail(), request.paths.back());
}

}  // namespace
}  // namespace varnok
