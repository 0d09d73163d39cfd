#include "archive/archive_self.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

class ArchiveSelfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = folder_.path();
    fs::create_directories(root_ / "assets/data");
    fs::create_directories(root_ / "other");
  }
  std::string At(const std::string& relative) { return (root_ / relative).string(); }
  void Touch(const std::string& relative) { test::WriteFile(root_ / relative, "x"); }

  test::TempFolder folder_;
  fs::path root_;
};

TEST_F(ArchiveSelfTest, KnowsAnExistingArchiveUnderAnySpelling) {
  Touch("assets/game.kzf");
  Touch("other/game.kzf");
  const CArchiveSelf self(At("assets/./game.kzf"));
  EXPECT_TRUE(self.IsArchive(At("assets/game.kzf")));
  EXPECT_TRUE(self.IsArchive(At("assets//game.kzf")));
  // Windows names ignore case.
  EXPECT_EQ(self.IsArchive(At("Assets/GAME.kzf")), test::OnWindows());
  EXPECT_FALSE(self.IsArchive(At("other/game.kzf")));
  EXPECT_FALSE(self.IsArchive(At("assets/data")));
  if (test::CanMakeSymbolicLinks(root_)) {
    fs::create_symlink(root_ / "assets/game.kzf", root_ / "assets/data/link.kzf");
    EXPECT_TRUE(self.IsArchive(At("assets/data/link.kzf")));
  }
}

TEST_F(ArchiveSelfTest, KnowsTheEnginesTemporaryFilesBesideIt) {
  // The archive doesn't exist yet: only its temporary files can be found.
  const CArchiveSelf self(At("assets/game.kzf"));
  for (const char* name : {".game.kzf.Ab12cZ", ".game.kzf.000000"}) {
    Touch(std::string("assets/") + name);
    EXPECT_TRUE(self.IsTemporaryFile(At(std::string("assets/") + name))) << name;
  }
  for (const char* name : {"game.kzf", ".game.kzf.Ab12c", ".game.kzf.Ab12cZ9",
                           ".game.kzf.Ab-2cZ", ".game.kzf.Ab12cZ.png"}) {
    Touch(std::string("assets/") + name);
    EXPECT_FALSE(self.IsTemporaryFile(At(std::string("assets/") + name))) << name;
  }
  Touch("other/.game.kzf.Ab12cZ");
  EXPECT_FALSE(self.IsTemporaryFile(At("other/.game.kzf.Ab12cZ")));
}

TEST_F(ArchiveSelfTest, FollowsALinkedArchiveToWhereItIsWritten) {
  if (!test::CanMakeSymbolicLinks(root_)) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
  Touch("assets/real.kzf");
  fs::create_symlink(root_ / "assets/real.kzf", root_ / "other/game.kzf");
  const CArchiveSelf self(At("other/game.kzf"));
  EXPECT_TRUE(self.IsArchive(At("assets/real.kzf")));
  Touch("assets/.real.kzf.x1y2z3");
  EXPECT_TRUE(self.IsTemporaryFile(At("assets/.real.kzf.x1y2z3")));
  Touch("other/.game.kzf.x1y2z3");
  EXPECT_FALSE(self.IsTemporaryFile(At("other/.game.kzf.x1y2z3")));
}

TEST_F(ArchiveSelfTest, RelativeArchiveNamesMeanTheCurrentFolder) {
  test::WriteFile(root_ / "assets/game.kzf", "kzf1, an earlier archive");
  Touch("assets/.game.kzf.q1w2e3");
  const fs::path previous = fs::current_path();
  fs::current_path(root_ / "assets");
  const CArchiveSelf self("game.kzf");
  std::vector<std::string> paths = {At("assets/a"), At("assets/game.kzf"),
                                    At("assets/.game.kzf.q1w2e3"), At("assets/b")};
  const Status status = self.LeaveOut(paths);
  fs::current_path(previous);
  EXPECT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(paths, (std::vector<std::string>{At("assets/a"), At("assets/b")}));
}

TEST_F(ArchiveSelfTest, LeavesOutAnArchiveButNeverReplacesAnotherFileBeingPacked) {
  const struct {
    std::string content;
    bool archive;
  } cases[] = {
      {"kzf1 and the rest of an earlier archive", true},
      {"kzf1", true},
      {"level data", false},
      {"kzf", false},
      {"", false},
  };
  Touch("assets/data/.level1.dat.Ab12cZ");
  const std::vector<std::string> found = {
      At("assets/data/a"), At("assets/data/level1.dat"),
      At("assets/data/.level1.dat.Ab12cZ"), At("assets/data/z")};
  // The archive named through a link where links can be made: the file it
  // leads to counts.
  const bool link = test::CanMakeSymbolicLinks(root_);
  const std::string archive =
      At(link ? "other/out.kzf" : "assets/data/level1.dat");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    test::WriteFile(root_ / "assets/data/level1.dat", c.content);
    if (link) {
      fs::remove(root_ / "other/out.kzf");
      fs::create_symlink(root_ / "assets/data/level1.dat",
                         root_ / "other/out.kzf");
    }
    std::vector<std::string> paths = found;
    const Status status = CArchiveSelf(archive).LeaveOut(paths);
    if (c.archive) {
      EXPECT_TRUE(status.ok()) << status.ToString();
      EXPECT_EQ(paths, (std::vector<std::string>{At("assets/data/a"),
                                                 At("assets/data/z")}));
    } else {
      EXPECT_EQ(status.ToString(),
                std::string(messages::kArchiveReplacesSource) + ": " + archive);
      EXPECT_EQ(paths, found);
    }
  }
}

}  // namespace
}  // namespace varnok
