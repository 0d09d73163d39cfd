#include "scan/pack_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/scan/temp_tree.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

TEST(PackListTest, ListsEveryFileBeneathTheFolderInListOrder) {
  TempTree tree;
  // Relative to the folder, in the list's order: ASCII case folded, '\\' as
  // '/', and a folder before a file that its name begins.
  std::vector<std::string> files = {
      ".hidden/cfg",          "data/level/a.map",     "data/level1.map",
      "data/mods/data/extra.txt", "data/sounds/a b.wav", "data/textures/floor.dds",
      "data/Textures/Wall.dds", "readme.TXT"};
  // Windows folds case in names: the two folders above are one there.
  if (test::OnWindows()) files[6] = "data/textures/Wall.dds";
  for (const std::string& file : files) tree.AddFile("game/" + file);
  tree.AddFolder("game/empty");
  if (test::CanMakeSymbolicLinks(tree.root())) {
    tree.AddLink("game/data/link.txt", "../readme.TXT");
    tree.AddLink("game/data/back", "..");
    files.insert(files.begin() + 3, "data/link.txt");
  }
  if (!test::OnWindows()) ASSERT_TRUE(test::MakeFifo(tree.Path("game/data/pipe")));

  std::vector<std::string> expected;
  for (const std::string& file : files) {
    expected.push_back(tree.Path("game/" + file));
  }
  EXPECT_EQ(ListFilesToPack(tree.Path("game") + "/"), expected);
}

TEST(PackListTest, MissingFolderListsNothing) {
  TempTree tree;
  EXPECT_TRUE(ListFilesToPack(tree.Path("missing")).empty());
}

}  // namespace
}  // namespace varnok
