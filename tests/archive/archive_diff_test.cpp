#include "archive/archive_diff.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "archive/archive_reader.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

// Text that deflates differently at each level once it is long enough.
std::string VariedText(size_t n, unsigned seed) {
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
            VariedText(20000 * (i + 1), static_cast<unsigned>(i)));
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
// then a repack gives a full pack's bytes, and whenever the diff finds no
// difference, the archive's.
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
  // The pack engine's entries, but name's, which holds what deflate makes
  // of its file.
  auto rewrite = [this](const std::string& name,
                        std::function<std::string(const std::string&)>
                            deflate) {
    std::vector<test::TestEntry> built;
    for (const char* file : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
      built.push_back(test::Deflated(std::string("data/") + file, Read(file)));
      if (file == name) built.back().held = deflate(Read(file));
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
      // Another tool rewrote one entry: at level 6 (the header tells), or
      // at level 9 with another strategy (the probe tells; a.txt is shorter
      // than it).
      {"an entry rewritten at level 6", true,
       [&] {
         rewrite("b.txt", [](const std::string& content) {
           return test::Deflate(content, 6);
         });
       },
       {"M data/b.txt"}},
      {"an entry rewritten with another strategy", true,
       [&] {
         rewrite("a.txt", [](const std::string& content) {
           return test::DeflateWith(content, 8, Z_FILTERED);
         });
       },
       {"M data/a.txt"}},
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
    // A repack gives what a full pack gives; with no difference, that is
    // the archive as it was.
    PackRequest full = request;
    full.reuse = false;
    full.archiveName = (temp_.path() / "full.kzf").string();
    ASSERT_TRUE(CArchiveWriter().Pack(full).ok());
    const std::string before = test::ReadFile(archive_);
    ASSERT_TRUE(CArchiveWriter().Pack(request).ok());
    EXPECT_TRUE(test::ReadFile(archive_) == test::ReadFile(full.archiveName));
    if (c.differences.empty()) {
      EXPECT_TRUE(test::ReadFile(archive_) == before);
    }
  }
}

// Where the system starts no thread, diff and repack do all the work on
// the caller's, and come to what they come to on many.
TEST_F(ArchiveDiffTest, WorksOnTheThreadsTheSystemStarts) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "a limit on a user's threads is POSIX's";
  }
  const PackRequest request = Request(true);
  ASSERT_TRUE(CArchiveWriter().Pack(request).ok());
  Touch("c.txt");
  fs::permissions(temp_.path(), fs::perms::all);
  test::ChildOptions oneProcess;
  oneProcess.unprivileged = true;  // the limit binds all but root
  oneProcess.maxProcesses = 1;
  const test::ChildResult result = test::RunInChild(
      [&] {
        try {
          std::thread([] {}).join();
          return 3;  // the limit does not hold here
        } catch (const std::system_error&) {
        }
        if (Differences(request, 4) != std::vector<std::string>{"M data/c.txt"}) {
          return 1;
        }
        return CArchiveWriter(4).Pack(request).ok() ? 0 : 2;
      },
      oneProcess);
  if (result.exitCode == 3) GTEST_SKIP() << "threads are not limited here";
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Differences(request, 1), std::vector<std::string>{});
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
