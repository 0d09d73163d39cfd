#include "archive/archive_self.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/archive/test_archive.h"

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
  fs::create_symlink(root_ / "assets/game.kzf", root_ / "assets/data/link.kzf");
  const CArchiveSelf self(At("assets/./game.kzf"));
  EXPECT_TRUE(self.Matches(At("assets/game.kzf")));
  EXPECT_TRUE(self.Matches(At("assets//game.kzf")));
  EXPECT_TRUE(self.Matches(At("assets/data/link.kzf")));
  EXPECT_FALSE(self.Matches(At("other/game.kzf")));
  EXPECT_FALSE(self.Matches(At("assets/data")));
}

TEST_F(ArchiveSelfTest, KnowsTheEnginesTemporaryFilesBesideIt) {
  // The archive doesn't exist yet: only its temporary files can be found.
  const CArchiveSelf self(At("assets/game.kzf"));
  for (const char* name : {".game.kzf.Ab12cZ", ".game.kzf.000000"}) {
    Touch(std::string("assets/") + name);
    EXPECT_TRUE(self.Matches(At(std::string("assets/") + name))) << name;
  }
  for (const char* name : {"game.kzf", ".game.kzf.Ab12c", ".game.kzf.Ab12cZ9",
                           ".game.kzf.Ab-2cZ", ".game.kzf.Ab12cZ.png"}) {
    Touch(std::string("assets/") + name);
    EXPECT_FALSE(self.Matches(At(std::string("assets/") + name))) << name;
  }
  Touch("other/.game.kzf.Ab12cZ");
  EXPECT_FALSE(self.Matches(At("other/.game.kzf.Ab12cZ")));
}

TEST_F(ArchiveSelfTest, FollowsALinkedArchiveToWhereItIsWritten) {
  Touch("assets/real.kzf");
  fs::create_symlink(root_ / "assets/real.kzf", root_ / "other/game.kzf");
  const CArchiveSelf self(At("other/game.kzf"));
  EXPECT_TRUE(self.Matches(At("assets/real.kzf")));
  Touch("assets/.real.kzf.x1y2z3");
  EXPECT_TRUE(self.Matches(At("assets/.real.kzf.x1y2z3")));
  Touch("other/.game.kzf.x1y2z3");
  EXPECT_FALSE(self.Matches(At("other/.game.kzf.x1y2z3")));
}

TEST_F(ArchiveSelfTest, RelativeArchiveNamesMeanTheCurrentFolder) {
  Touch("assets/game.kzf");
  Touch("assets/.game.kzf.q1w2e3");
  const fs::path previous = fs::current_path();
  fs::current_path(root_ / "assets");
  const CArchiveSelf self("game.kzf");
  std::vector<std::string> paths = {At("assets/a"), At("assets/game.kzf"),
                                    At("assets/.game.kzf.q1w2e3"), At("assets/b")};
  self.RemoveFrom(paths);
  fs::current_path(previous);
  EXPECT_EQ(paths, (std::vector<std::string>{At("assets/a"), At("assets/b")}));
}

}  // namespace
}  // namespace varnok
