#include "scan/folder_scanner.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/folder_enumerator.h"
#include "tests/scan/temp_tree.h"
#include "tests/support/child_process.h"

namespace varnok {
namespace {

using Paths = std::vector<std::string>;

// The names of folder's entries of one type, in the order the enumerator
// delivers them: the order the scanner must keep among siblings.
Paths EntryNames(const std::string& folder, EntryType type) {
  Paths names;
  FolderEnumerator enumerator(folder, FolderEnumerator::kTypeOnly);
  FolderEntry entry;
  while (enumerator.Next(&entry)) {
    if (entry.type == type) names.push_back(entry.name);
  }
  return names;
}

Paths FoundPaths(const CFolderScanner& scanner) {
  Paths paths;
  for (const FoundFile& found : scanner.foundFiles()) {
    paths.push_back(found.path);
  }
  return paths;
}

Paths Sorted(Paths paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string Stripped(std::string s) {
  CFolderScanner::StripTrailingSeparators(s);
  return s;
}

TEST(StripTrailingSeparatorsTest, RemovesSeparatorsWithWhiteSpaceAfterThem) {
  EXPECT_EQ(Stripped("a/b//"), "a/b");
  EXPECT_EQ(Stripped("/data///"), "/data");
  EXPECT_EQ(Stripped("/data/ "), "/data");
  EXPECT_EQ(Stripped("/data/\t\n/ \r"), "/data");
  EXPECT_EQ(Stripped("/data"), "/data");
  // White space without a separator after it stays.
  EXPECT_EQ(Stripped("/data "), "/data ");
  EXPECT_EQ(Stripped("/data /"), "/data ");
  EXPECT_EQ(Stripped("   "), "   ");
  // Only '/' separates.
  EXPECT_EQ(Stripped("C:\\data\\"), "C:\\data\\");
  EXPECT_EQ(Stripped(""), "");
}

TEST(StripTrailingSeparatorsTest, RootStaysRoot) {
  EXPECT_EQ(Stripped("/"), "/");
  EXPECT_EQ(Stripped("///"), "/");
  EXPECT_EQ(Stripped("/ "), "/");
  EXPECT_EQ(Stripped("/ / "), "/");
}

// A root R with folders A and B, A holding A1 and A2, more siblings around
// them so that the file system's order is not simply creation order.
class ScannerOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file :
         {"A/A1/a1.txt", "A/A1/x", "A/A2/a2.txt", "A/a.txt", "A/A3/A31/deep",
          "B/b.txt", "B/b2.txt", "C/c.txt", "r1.txt", "r2", "r3.dat"}) {
      tree_.AddFile(file);
    }
    tree_.AddFolder("D");
  }

  // The folder list for this tree, written out for its shape; only the order
  // of siblings comes from the file system.
  Paths ExpectedFolders() const {
    const std::string r = tree_.root();
    Paths folders;
    for (const std::string& top : EntryNames(r, EntryType::kFolder)) {
      if (top == "A") {
        for (const std::string& sub : EntryNames(r + "/A", EntryType::kFolder)) {
          if (sub == "A3") folders.push_back(r + "/A/A3/A31");
          folders.push_back(r + "/A/" + sub);
        }
      }
      folders.push_back(r + "/" + top);
    }
    folders.push_back(r);
    return folders;
  }

  TempTree tree_;
};

TEST_F(ScannerOrderTest, CollectsFoldersDeepestFirstAndRootLast) {
  CFolderScanner scanner;
  scanner.SetRoot(tree_.root(), true);
  const Paths& folders = scanner.folders();
  ASSERT_EQ(folders.size(), 9u);
  EXPECT_EQ(folders, ExpectedFolders());
  EXPECT_EQ(folders.back(), tree_.root());
  EXPECT_EQ(scanner.root(), tree_.root());

  // Every folder after the folders beneath it.
  for (size_t i = 0; i < folders.size(); ++i) {
    for (size_t j = i + 1; j < folders.size(); ++j) {
      EXPECT_NE(folders[j].rfind(folders[i] + "/", 0), 0u)
          << folders[i] << " listed before " << folders[j];
    }
  }
}

TEST_F(ScannerOrderTest, FindsFilesFolderByFolderInEnumerationOrder) {
  CFolderScanner scanner;
  scanner.SetRoot(tree_.root(), true);
  scanner.FindFiles("*.*", true, false);

  Paths expected;
  for (const std::string& folder : ExpectedFolders()) {
    for (const std::string& name : EntryNames(folder, EntryType::kFile)) {
      expected.push_back(folder + "/" + name);
    }
  }
  EXPECT_EQ(expected.size(), 11u);
  EXPECT_EQ(FoundPaths(scanner), expected);
  for (const FoundFile& found : scanner.foundFiles()) {
    EXPECT_FALSE(found.isFolder);
  }
}

TEST_F(ScannerOrderTest, ReportsFoldersWhenAsked) {
  CFolderScanner scanner;
  scanner.SetRoot(tree_.root(), true);
  scanner.FindFiles("*.*", false, true);
  // Each folder's own subfolders, never "." or "..".
  const std::string r = tree_.root();
  EXPECT_EQ(Sorted(FoundPaths(scanner)),
            Sorted({r + "/A/A1", r + "/A/A2", r + "/A/A3", r + "/A/A3/A31",
                    r + "/A", r + "/B", r + "/C", r + "/D"}));
  for (const FoundFile& found : scanner.foundFiles()) {
    EXPECT_TRUE(found.isFolder);
    EXPECT_TRUE(found.attributes & kAttributeFolder);
  }
}

// Leaving out the details must not change which entries are found, nor
// their order.
TEST_F(ScannerOrderTest, PathsOnlyScanFindsTheSameEntries) {
  tree_.AddLink("link.txt", "r1.txt");
  tree_.AddLink("A/up", "..");
  tree_.AddLink("B/broken", "missing");
  CFolderScanner full;
  full.SetRoot(tree_.root(), true);
  full.FindFiles("*.*", true, true);
  CFolderScanner pathsOnly(CFolderScanner::Details::kPathsOnly);
  pathsOnly.SetRoot(tree_.root(), true);
  pathsOnly.FindFiles("*.*", true, true);

  EXPECT_EQ(pathsOnly.folders(), full.folders());
  const std::vector<FoundFile> taken = pathsOnly.TakeFoundFiles();
  EXPECT_TRUE(pathsOnly.foundFiles().empty());
  ASSERT_EQ(taken.size(), full.foundFiles().size());
  EXPECT_EQ(taken.size(), 20u);
  for (size_t i = 0; i < taken.size(); ++i) {
    EXPECT_EQ(taken[i].path, full.foundFiles()[i].path);
    EXPECT_EQ(taken[i].isFolder, full.foundFiles()[i].isFolder);
  }
}

TEST_F(ScannerOrderTest, MatchesPatternsAgainstNames) {
  CFolderScanner scanner;
  scanner.SetRoot(tree_.root(), false);
  scanner.FindFiles("*.txt", true, false);
  EXPECT_EQ(FoundPaths(scanner), Paths{tree_.Path("r1.txt")});
  scanner.ClearFoundFiles();
  // "*.*" takes names without a dot too.
  scanner.FindFiles("*.*", true, false);
  EXPECT_EQ(Sorted(FoundPaths(scanner)),
            Sorted({tree_.Path("r1.txt"), tree_.Path("r2"),
                    tree_.Path("r3.dat")}));
}

TEST_F(ScannerOrderTest, WithoutRecursionOnlyTheRootIsSearched) {
  CFolderScanner scanner;
  scanner.SetRoot(tree_.root() + "/", false);
  EXPECT_EQ(scanner.folders(), Paths{tree_.root()});
  scanner.FindFiles("*.*", true, false);
  EXPECT_EQ(FoundPaths(scanner).size(), 3u);
}

TEST_F(ScannerOrderTest, RootLosesTrailingSeparatorsAndPathsJoinWithOne) {
  CFolderScanner scanner;
  scanner.SetRoot(tree_.root() + "// ", true);
  EXPECT_EQ(scanner.root(), tree_.root());
  EXPECT_EQ(scanner.folders(), ExpectedFolders());
  scanner.FindFiles("*.*", true, false);
  for (const std::string& path : FoundPaths(scanner)) {
    EXPECT_EQ(path.find("//"), std::string::npos) << path;
  }
}

TEST_F(ScannerOrderTest, SetRootAndFindFilesOnlyAppend) {
  TempTree second;
  second.AddFile("S/s.txt");

  CFolderScanner scanner;
  scanner.SetRoot(tree_.root(), true);
  scanner.SetRoot(second.root(), true);
  Paths expected = ExpectedFolders();
  expected.push_back(second.Path("S"));
  expected.push_back(second.root());
  EXPECT_EQ(scanner.folders(), expected);
  EXPECT_EQ(scanner.root(), second.root());

  scanner.FindFiles("*.*", true, false);
  const Paths once = FoundPaths(scanner);
  ASSERT_EQ(once.size(), 12u);
  EXPECT_EQ(once.back(), second.Path("S/s.txt"));
  scanner.FindFiles("*.*", true, false);
  Paths twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(FoundPaths(scanner), twice);

  scanner.ClearFolders();
  EXPECT_TRUE(scanner.folders().empty());
  EXPECT_EQ(scanner.foundFiles().size(), 24u);
  scanner.ClearFoundFiles();
  EXPECT_TRUE(scanner.foundFiles().empty());
}

TEST(FolderScannerTest, RootThatIsNoFolderListsOnlyItself) {
  TempTree tree;
  const std::string file = tree.AddFile("file.txt", "x");
  for (const std::string& root : {tree.Path("missing"), file, std::string()}) {
    CFolderScanner scanner;
    scanner.SetRoot(root, true);
    EXPECT_EQ(scanner.folders(), Paths{root});
    scanner.FindFiles("*.*", true, true);
    EXPECT_TRUE(scanner.foundFiles().empty()) << root;
  }
}

TEST(FolderScannerTest, FileSystemRootJoinsWithoutDoubledSeparator) {
  CFolderScanner scanner;
  scanner.SetRoot("//", false);
  EXPECT_EQ(scanner.folders(), Paths{"/"});
  scanner.FindFiles("*.*", false, true);
  const Paths found = FoundPaths(scanner);
  EXPECT_NE(std::find(found.begin(), found.end(), "/tmp"), found.end());
  for (const std::string& path : found) {
    EXPECT_EQ(path.rfind('/'), 0u) << path;
  }
}

TEST(FolderScannerTest, EntersHiddenAndDotFolders) {
  TempTree tree;
  for (const char* file : {".hidden/h.txt", ".../three-dots.txt", "..x/y.txt",
                           ".dotfile", "a folder /spaced name"}) {
    tree.AddFile(file);
  }
  CFolderScanner scanner;
  scanner.SetRoot(tree.root(), true);
  EXPECT_EQ(Sorted(scanner.folders()),
            Sorted({tree.Path(".hidden"), tree.Path("..."), tree.Path("..x"),
                    tree.Path("a folder "), tree.root()}));
  scanner.FindFiles("*.*", true, false);
  EXPECT_EQ(Sorted(FoundPaths(scanner)),
            Sorted({tree.Path(".hidden/h.txt"),
                    tree.Path(".../three-dots.txt"), tree.Path("..x/y.txt"),
                    tree.Path(".dotfile"), tree.Path("a folder /spaced name")}));
}

// A folder named only of white space is its own folder, not its parent.
TEST(FolderScannerTest, FolderNamedWithBlanksIsSearchedItself) {
  TempTree tree;
  tree.AddFile(" /inner.txt");
  tree.AddFile("outer.txt");
  CFolderScanner scanner;
  scanner.SetRoot(tree.root(), true);
  scanner.FindFiles("*.*", true, false);
  EXPECT_EQ(Sorted(FoundPaths(scanner)),
            Sorted({tree.Path(" /inner.txt"), tree.Path("outer.txt")}));
}

TEST(FolderScannerTest, LinksToFoldersAreNeitherEnteredNorListed) {
  TempTree tree;
  TempTree outside;
  outside.AddFile("elsewhere.txt");
  tree.AddFile("A/a.txt");
  tree.AddLink("A/up", "..");
  tree.AddLink("self", ".");
  tree.AddLink("A/loop", tree.root());
  tree.AddLink("outside", outside.root());

  CFolderScanner scanner;
  scanner.SetRoot(tree.root(), true);
  EXPECT_EQ(scanner.folders(), (Paths{tree.Path("A"), tree.root()}));
  scanner.FindFiles("*.*", true, true);
  EXPECT_EQ(Sorted(FoundPaths(scanner)),
            Sorted({tree.Path("A"), tree.Path("A/a.txt")}));
}

TEST(FolderScannerTest, ReportsOnlyRegularFilesAndLinksToThemAndNotesTheRest) {
  TempTree tree;
  tree.AddFile("real.txt", "hello");
  tree.AddLink("link.txt", "real.txt");
  tree.AddLink("broken", "gone.txt");
  ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0644), 0);

  const std::string socketPath = tree.Path("sock");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
  // Only root may make a device.
  const bool device = mknod(tree.Path("null").c_str(), S_IFCHR | 0666,
                            makedev(1, 3)) == 0;

  CFolderScanner scanner;
  scanner.SetRoot(tree.root(), true);
  scanner.FindFiles("*.*", true, true);
  ASSERT_EQ(Sorted(FoundPaths(scanner)),
            Sorted({tree.Path("link.txt"), tree.Path("real.txt")}));
  for (const FoundFile& found : scanner.foundFiles()) {
    EXPECT_EQ(found.size, 5u) << found.path;
  }
  std::map<std::string, EntryType> leftOut;
  for (const LeftOutEntry& entry : scanner.leftOut()) {
    leftOut[entry.path] = entry.type;
  }
  std::map<std::string, EntryType> expected = {
      {tree.Path("broken"), EntryType::kBrokenLink},
      {tree.Path("fifo"), EntryType::kFifo},
      {tree.Path("sock"), EntryType::kSocket}};
  if (device) expected[tree.Path("null")] = EntryType::kDevice;
  EXPECT_EQ(leftOut, expected);
}

TEST(FolderScannerTest, ReportsSizesBeyondFourGibibytes) {
  TempTree tree;
  const std::string path = tree.AddFile("big/huge.bin");
  const uint64_t size = (uint64_t{4} << 30) + 17;
  if (truncate(path.c_str(), static_cast<off_t>(size)) != 0) {
    GTEST_SKIP() << "no sparse files on this file system";
  }
  CFolderScanner scanner;
  scanner.SetRoot(tree.root(), true);
  scanner.FindFiles("*.*", true, false);
  ASSERT_EQ(scanner.foundFiles().size(), 1u);
  EXPECT_EQ(scanner.foundFiles()[0].size, size);
}

TEST(FolderScannerTest, FolderThatVanishesBetweenWalksCountsAsEmptyAndIsNoted) {
  TempTree tree;
  tree.AddFile("keep/k.txt");
  tree.AddFile("gone/g.txt");
  tree.AddFile("r.txt");
  CFolderScanner scanner;
  scanner.SetRoot(tree.root(), true);
  ASSERT_EQ(scanner.folders().size(), 3u);
  EXPECT_TRUE(scanner.unreadableFolders().empty());
  std::filesystem::remove_all(tree.Path("gone"));
  scanner.FindFiles("*.*", true, false);
  EXPECT_EQ(Sorted(FoundPaths(scanner)),
            Sorted({tree.Path("keep/k.txt"), tree.Path("r.txt")}));
  ASSERT_EQ(scanner.unreadableFolders().size(), 1u);
  EXPECT_EQ(scanner.unreadableFolders()[0].path, tree.Path("gone"));
  EXPECT_EQ(scanner.unreadableFolders()[0].reason, "No such file or directory");
}

// A folder that only root may open: both walks fail on it, and it is noted
// once.
TEST(FolderScannerTest, UnreadableFolderCountsAsEmptyAndIsNotedOnce) {
  TempTree tree;
  tree.AddFile("open/o.txt");
  tree.AddFile("locked/secret.txt");
  tree.AddFile("locked/inner/deeper.txt");
  tree.AddFile("r.txt");
  ASSERT_EQ(chmod(tree.root().c_str(), 0755), 0);
  ASSERT_EQ(chmod(tree.Path("locked").c_str(), 0), 0);

  test::ChildOptions unprivileged;
  unprivileged.unprivileged = true;
  const test::ChildResult result = test::RunInChild(
      [&tree] {
        CFolderScanner scanner;
        scanner.SetRoot(tree.root(), true);
        scanner.FindFiles("*.*", true, false);
        for (const std::string& path : Sorted(FoundPaths(scanner))) {
          std::printf("%s\n", path.c_str());
        }
        for (const UnreadableFolder& folder : scanner.unreadableFolders()) {
          std::printf("unreadable %s: %s\n", folder.path.c_str(),
                      folder.reason.c_str());
        }
        return 0;
      },
      unprivileged);
  EXPECT_EQ(result.out, tree.Path("open/o.txt") + "\n" + tree.Path("r.txt") +
                            "\nunreadable " + tree.Path("locked") +
                            ": Permission denied\n");
}

}  // namespace
}  // namespace varnok
