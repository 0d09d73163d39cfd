#include "scan/pack_list.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/scan/temp_tree.h"
#include "tests/support/child_process.h"

namespace varnok {
namespace {

using Paths = std::vector<std::string>;

// The list as text, one line for each path, left-out entry and unreadable
// folder: what a child process hands back.
std::string Describe(const PackList& list) {
  std::string text;
  for (const std::string& path : list.paths) text += path + "\n";
  for (const LeftOutEntry& entry : list.leftOut) {
    text += "left out: " + entry.path + ": " + DescribeLeftOut(entry.type) + "\n";
  }
  for (const UnreadableFolder& folder : list.unreadableFolders) {
    text += "unreadable: " + folder.path + ": " + folder.reason + "\n";
  }
  return text;
}

// ListFilesToPack(folder) in a child process: as nobody when run by root
// (who may open any folder), and with at most maxOpenFiles descriptors.
std::string ListInChild(const std::string& folder, rlim_t maxOpenFiles) {
  test::ChildOptions options;
  options.unprivileged = true;
  const test::ChildResult result = test::RunInChild(
      [&] {
        const rlimit limit{maxOpenFiles, maxOpenFiles};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 1;
        std::fputs(Describe(ListFilesToPack(folder)).c_str(), stdout);
        return 0;
      },
      options);
  return result.exitCode == 0 ? result.out : "child failed: " + result.err;
}

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
  tree.AddLink("game/data/sounds/gone.wav", "missing.wav");
  ASSERT_EQ(mkfifo(tree.Path("game/data/pipe").c_str(), 0644), 0);

  const std::string game = tree.Path("game");
  const PackList list = ListFilesToPack(game + "/");
  EXPECT_EQ(list.paths, (Paths{
                            game + "/.hidden/cfg",
                            game + "/data/link.txt",
                            game + "/data/mods/data/extra.txt",
                            game + "/data/sounds/a b.wav",
                            game + "/data/textures/floor.dds",
                            game + "/data/Textures/Wall.dds",
                            game + "/readme.TXT",
                        }));
  // Everything else that was found, in the same order, with what it is.
  EXPECT_EQ(Describe({{}, {}, list.leftOut}),
            "left out: " + game + "/data/back: symbolic link to a folder\n" +
                "left out: " + game + "/data/pipe: FIFO\n" + "left out: " +
                game + "/data/sounds/gone.wav: broken symbolic link\n");
  EXPECT_TRUE(list.unreadableFolders.empty());
}

TEST(PackListTest, NamesEveryFolderItCouldNotRead) {
  TempTree tree;
  tree.AddFile("game/data/open/o.txt");
  tree.AddFile("game/data/locked/b.txt");
  tree.AddFile("game/data/locked/inner/c.txt");
  tree.AddFile("game/r.txt");
  ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
  ASSERT_EQ(chmod(tree.Path("game/data/locked").c_str(), 0), 0);
  const std::string deep = tree.AddTooDeepFolder("game/deep");

  const std::string game = tree.Path("game");
  EXPECT_EQ(ListInChild(game, 1024),
            game + "/data/open/o.txt\n" + game + "/r.txt\n" +
                "unreadable: " + game + "/data/locked: Permission denied\n" +
                "unreadable: " + deep + ": File name too long\n");
  EXPECT_EQ(Describe(ListFilesToPack(tree.Path("missing"))),
            "unreadable: " + tree.Path("missing") +
                ": No such file or directory\n");}

TEST(PackListTest, ListsTheNamedFilesOnceInListOrder) {
  TempTree tree;
  for (const char* file : {"game/b.txt", "game/A/c.txt", "game/a.txt"}) {
    tree.AddFile(file);
  }
  tree.AddFolder("game/folder");
  const std::string game = tree.Path("game");
  std::vector<Status> failures;
  const PackList list = ListNamedFiles(
      game + "/",
      {"b.txt", "./A//c.txt", game + "/a.txt", "b.txt", "../game/a.txt",
       "/etc/passwd", "missing", "folder", "."},
      &failures);
  EXPECT_EQ(list.paths,
            (Paths{game + "/a.txt", game + "/A/c.txt", game + "/b.txt"}));
  EXPECT_EQ(list.root, game);
  std::vector<std::string> messages;
  for (const Status& failure : failures) messages.push_back(failure.ToString());
  EXPECT_EQ(messages,
            (Paths{"Not in the folder being packed: ../game/a.txt",
                   "Not in the folder being packed: /etc/passwd",
                   "Can't read file: " + game +
                       "/missing: No such file or directory",
                   "Can't read file: " + game + "/folder: Not a regular file",
                   "Not in the folder being packed: ."}));
}

TEST(PackListTest, SplitsNameListsAndTakesPathsRelativeToTheRoot) {
  EXPECT_EQ(SplitNameList(std::string("a\nb c\n\nd\0e\n", 11), false),
            (Paths{"a", "b c", std::string("d\0e", 3)}));
  EXPECT_EQ(SplitNameList(std::string("a\nb\0\0c", 6), true),
            (Paths{"a\nb", "c"}));
  EXPECT_EQ(RelativePath("/x/game", "/x/game/a/b.png"), "a/b.png");
  EXPECT_EQ(RelativePath("/", "/a/b.png"), "a/b.png");
  EXPECT_EQ(ListFilesToPack("/no/such/folder/").root, "/no/such/folder");
}

TEST(PackListTest, DeepTreeLosesNothingUnderALowDescriptorLimit) {
  TempTree tree;
  std::string relative = "game";
  for (int level = 0; level < 40; ++level) relative += "/level";
  const std::string file = tree.AddFile(relative + "/deep.txt");
  tree.AddFile("game/top.txt");
  ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
  EXPECT_EQ(ListInChild(tree.Path("game"), 32),
            file + "\n" + tree.Path("game/top.txt") + "\n");
}

}  // namespace
}  // namespace varnok
