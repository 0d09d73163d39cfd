#include "scan/pack_list.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/scan/temp_tree.h"

namespace varnok {
namespace {

TEST(PackListTest, ListsEveryFileBeneathTheFolderInListOrder) {
  TempTree tree;
  for (const char* file :
       {"game/data/Textures/Wall.dds", "game/data/textures/floor.dds",
        "game/data/sounds/a b.wav", "game/data/mods/data/extra.txt",
        "game/readme.TXT", "game/.hidden/cfg"}) {
    tree.AddFile(file);
  }
  tree.AddFolder("game/empty");
  tree.AddLink("game/data/link.txt", "../readme.TXT");
  tree.AddLink("game/data/back", "..");
  ASSERT_EQ(mkfifo(tree.Path("game/data/pipe").c_str(), 0644), 0);

  const std::string game = tree.Path("game");
  EXPECT_EQ(ListFilesToPack(game + "/"),
            (std::vector<std::string>{
                game + "/.hidden/cfg",
                game + "/data/link.txt",
                game + "/data/mods/data/extra.txt",
                game + "/data/sounds/a b.wav",
                game + "/data/textures/floor.dds",
                game + "/data/Textures/Wall.dds",
                game + "/readme.TXT",
            }));
}

TEST(PackListTest, MissingFolderListsNothing) {
  TempTree tree;
  EXPECT_TRUE(ListFilesToPack(tree.Path("missing")).empty());
}

}  // namespace
}  // namespace varnok
