#include "scan/pack_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/scan/temp_tree.h"
#include "tests/support/platform_test.h"

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
std::string ListInChild(const std::string& folder, uint64_t maxOpenFiles) {
  test::ChildOptions options;
  options.unprivileged = true;
  options.maxOpenFiles = maxOpenFiles;
  const test::ChildResult result = test::RunInChild(
      [&] {
        std::fputs(Describe(ListFilesToPack(folder)).c_str(), stdout);
        return 0;
      },
      options);
  return result.exitCode == 0 ? result.out : "child failed: " + result.err;
}

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
  // The rest, in the list's order, is left out and said what it is.
  std::string leftOut;
  const auto note = [&](const std::string& relative, const char* what) {
    leftOut += "left out: " + tree.Path("game/" + relative) + ": " + what + "\n";
  };
  const bool links = test::CanMakeSymbolicLinks(tree.root());
  if (links) {
    tree.AddLink("game/data/link.txt", "../readme.TXT");
    tree.AddLink("game/data/back", "..");
    tree.AddLink("game/data/sounds/gone.wav", "missing.wav");
    files.insert(files.begin() + 3, "data/link.txt");
    note("data/back", "symbolic link to a folder");
  }
  // Windows has no FIFOs.
  if (test::MakeFifo(tree.Path("game/data/pipe"))) note("data/pipe", "FIFO");
  if (links) note("data/sounds/gone.wav", "broken symbolic link");

  Paths expected;
  for (const std::string& file : files) {
    expected.push_back(tree.Path("game/" + file));
  }
  const PackList list = ListFilesToPack(tree.Path("game") + "/");
  EXPECT_EQ(list.paths, expected);
  EXPECT_EQ(Describe({{}, {}, list.leftOut}), leftOut);
  EXPECT_TRUE(list.unreadableFolders.empty());
}

TEST(PackListTest, NamesAMissingFolder) {
  TempTree tree;
  EXPECT_EQ(Describe(ListFilesToPack(tree.Path("missing"))),
            "unreadable: " + tree.Path("missing") + ": " +
                test::NoSuchFolderReason() + "\n");
}

TEST(PackListTest, NamesEveryFolderItCouldNotRead) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "folder permissions here are POSIX modes";
  }
  namespace fs = std::filesystem;
  TempTree tree;
  tree.AddFile("game/data/open/o.txt");
  tree.AddFile("game/data/locked/b.txt");
  tree.AddFile("game/data/locked/inner/c.txt");
  tree.AddFile("game/r.txt");
  fs::permissions(tree.root(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec |
                                   fs::perms::others_read |
                                   fs::perms::others_exec);
  fs::permissions(tree.Path("game/data/locked"), fs::perms::none);
  const std::string deep = tree.AddTooDeepFolder("game/deep");

  const std::string game = tree.Path("game");
  EXPECT_EQ(ListInChild(game, 1024),
            game + "/data/open/o.txt\n" + game + "/r.txt\n" +
                "unreadable: " + game + "/data/locked: Permission denied\n" +
                "unreadable: " + deep + ": File name too long\n");
}

// Names as a list gives them, with the folder named "game" on the command
// line: relative to it, or beginning with its full path or with "game" as
// find prints them; the scan's rules for links and other entries hold.
TEST(PackListTest, ListsTheNamedFilesOnceInListOrder) {
  TempTree tree;
  for (const char* file :
       {"game/b.txt", "game/A/c.txt", "game/a.txt", "game/game/d.txt"}) {
    tree.AddFile(file);
  }
  const std::string game = tree.Path("game");
  const auto in = [&](const std::string& name) {
    return test::NativePath(game + "/" + name);
  };
  std::vector<std::string> names = {
      "b.txt", "./A//c.txt", game + "/a.txt", "b.txt", "../game/a.txt",
      "/etc/passwd", "missing", "A", ".", "game", "game/b.txt",
      "game/game/d.txt", "./game/d.txt", "game/"};
  Paths expected = {in("a.txt"), in("A/c.txt"), in("b.txt"),
                    in("game/d.txt")};
  Paths failed = {"Not in the folder being packed: ../game/a.txt",
                  "Not in the folder being packed: /etc/passwd",
                  "Can't read file: " + in("missing") + ": " +
                      test::NoSuchFileReason()};
  std::string leftOut;
  if (test::CanMakeSymbolicLinks(tree.root())) {
    tree.AddFile("elsewhere/secret.txt");
    tree.AddLink("game/out", "../elsewhere");
    tree.AddLink("game/gone.txt", "missing.txt");
    tree.AddLink("game/e.txt", "../elsewhere/secret.txt");
    names.insert(names.end(), {"out/secret.txt", "out", "gone.txt", "e.txt"});
    expected.insert(expected.begin() + 3, in("e.txt"));
    failed.push_back(
        "Not in the folder being packed: out/secret.txt: passes through a "
        "symbolic link to a folder");
    leftOut = "left out: " + in("gone.txt") + ": broken symbolic link\n" +
              "left out: " + in("out") + ": symbolic link to a folder\n";
  }
  if (test::MakeFifo(in("pipe"))) {
    names.push_back("pipe");
    leftOut += "left out: " + in("pipe") + ": not a regular file\n";
  }
  std::vector<Status> failures;
  const PackList list = ListNamedFiles(game + "/", "game", names, &failures);
  EXPECT_EQ(list.paths, expected);
  EXPECT_EQ(list.root, game);
  EXPECT_EQ(Describe({{}, {}, list.leftOut}), leftOut);
  std::vector<std::string> messages;
  for (const Status& failure : failures) messages.push_back(failure.ToString());
  EXPECT_EQ(messages, failed);
}

TEST(PackListTest, SplitsNameListsAndTakesPathsRelativeToTheRoot) {
  EXPECT_EQ(SplitNameList(std::string("a\nb c\n\nd\0e\n", 11), false),
            (Paths{"a", "b c", std::string("d\0e", 3)}));
  // As lists made on Windows are: a byte-order mark and CR LF line ends.
  EXPECT_EQ(SplitNameList("\xEF\xBB\xBF" "a\r\nb c\r\n\r\n", false),
            (Paths{"a", "b c"}));
  EXPECT_EQ(SplitNameList(std::string("a\nb\0\0c\r\0", 8), true),
            (Paths{"a\nb", "c\r"}));
  EXPECT_EQ(RelativePath("/x/game", "/x/game/a/b.png"), "a/b.png");
  EXPECT_EQ(RelativePath("/", "/a/b.png"), "a/b.png");
  EXPECT_EQ(ListFilesToPack("/no/such/folder/").root, "/no/such/folder");
}

TEST(PackListTest, DeepTreeLosesNothingUnderALowDescriptorLimit) {
  if (test::OnWindows()) GTEST_SKIP() << "no descriptor limit to set on Windows";
  namespace fs = std::filesystem;
  TempTree tree;
  std::string relative = "game";
  for (int level = 0; level < 40; ++level) relative += "/level";
  const std::string file = tree.AddFile(relative + "/deep.txt");
  tree.AddFile("game/top.txt");
  fs::permissions(tree.root(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec |
                                   fs::perms::others_read |
                                   fs::perms::others_exec);
  EXPECT_EQ(ListInChild(tree.Path("game"), 32),
            file + "\n" + tree.Path("game/top.txt") + "\n");
}

}  // namespace
}  // namespace varnok
