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
  for (const char* name :
       {".game.kzf.kzf-tmp-Ab12cZ34xy", ".game.kzf.kzf-tmp-0000000000"}) {
    Touch(std::string("assets/") + name);
    EXPECT_TRUE(self.IsTemporaryFile(At(std::string("assets/") + name))) << name;
  }
  // A user's files, however alike.
  for (const char* name :
       {"game.kzf", ".game.kzf.Ab12cZ", ".game.kzf.backup",
        ".game.kzf.kzf-tmp-Ab12cZ34x", ".game.kzf.kzf-tmp-Ab12cZ34xyz",
        ".game.kzf.kzf-tmp-Ab-2cZ34xy", ".game.kzf.kzf-tmp-Ab12cZ34xy.png",
        ".other.kzf.kzf-tmp-Ab12cZ34xy"}) {
    Touch(std::string("assets/") + name);
    EXPECT_FALSE(self.IsTemporaryFile(At(std::string("assets/") + name))) << name;
  }
  Touch("other/.game.kzf.kzf-tmp-Ab12cZ34xy");
  EXPECT_FALSE(self.IsTemporaryFile(At("other/.game.kzf.kzf-tmp-Ab12cZ34xy")));
}

TEST_F(ArchiveSelfTest, FollowsALinkedArchiveToWhereItIsWritten) {
  if (!test::CanMakeSymbolicLinks(root_)) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
  Touch("assets/real.kzf");
  fs::create_symlink(root_ / "assets/real.kzf", root_ / "other/game.kzf");
  const CArchiveSelf self(At("other/game.kzf"));
  EXPECT_TRUE(self.IsArchive(At("assets/real.kzf")));
  Touch("assets/.real.kzf.kzf-tmp-x1y2z3w4v5");
  EXPECT_TRUE(self.IsTemporaryFile(At("assets/.real.kzf.kzf-tmp-x1y2z3w4v5")));
  Touch("other/.game.kzf.kzf-tmp-x1y2z3w4v5");
  EXPECT_FALSE(self.IsTemporaryFile(At("other/.game.kzf.kzf-tmp-x1y2z3w4v5")));
}

TEST_F(ArchiveSelfTest, RelativeArchiveNamesMeanTheCurrentFolder) {
  test::WriteFile(root_ / "assets/game.kzf", "kzf1, an earlier archive");
  const std::string temporary = At("assets/.game.kzf.kzf-tmp-q1w2e3r4t5");
  Touch("assets/.game.kzf.kzf-tmp-q1w2e3r4t5");
  const fs::path previous = fs::current_path();
  fs::current_path(root_ / "assets");
  const CArchiveSelf self("game.kzf");
  std::vector<std::string> paths = {At("assets/a"), At("assets/game.kzf"),
                                    temporary, At("assets/b")};
  std::vector<std::string> temporaryFiles;
  const Status status = self.LeaveOut(paths, &temporaryFiles);
  fs::current_path(previous);
  EXPECT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(paths, (std::vector<std::string>{At("assets/a"), At("assets/b")}));
  // Left out, but named to the caller; the archive is not.
  EXPECT_EQ(temporaryFiles, std::vector<std::string>{temporary});
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
  Touch("assets/data/.level1.dat.kzf-tmp-Ab12cZ34xy");
  const std::vector<std::string> found = {
      At("assets/data/a"), At("assets/data/level1.dat"),
      At("assets/data/.level1.dat.kzf-tmp-Ab12cZ34xy"), At("assets/data/z")};
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
    std::vector<std::string> temporaryFiles;
    const Status status = CArchiveSelf(archive).LeaveOut(paths, &temporaryFiles);
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
