#include "scan/folder_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/folder_enumerator.h"
#include "scan/pack_list.h"
#include "tests/scan/temp_tree.h"
#include "tests/support/platform_test.h"

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
  // '/' separates everywhere, '\\' on Windows too; a root keeps its own.
  const struct {
    const char* path;
    const char* posix;
    const char* windows;
  } cases[] = {
      {"a/b//", "a/b", "a/b"},
      {"/data///", "/data", "/data"},
      {"/data/ ", "/data", "/data"},
      {"/data/\t\n/ \r", "/data", "/data"},
      {"/data", "/data", "/data"},
      // White space without a separator after it stays.
      {"/data ", "/data ", "/data "},
      {"/data /", "/data ", "/data "},
      {"   ", "   ", "   "},
      {"", "", ""},
      {"C:\\data\\", "C:\\data\\", "C:\\data"},
      {"C:\\data\\\\ \\\t", "C:\\data\\\\ \\\t", "C:\\data"},
      {"C:\\data/", "C:\\data", "C:\\data"},
      {"C:\\data \\", "C:\\data \\", "C:\\data "},
      // Roots.
      {"/", "/", "/"},
      {"///", "/", "/"},
      {"/ ", "/", "/"},
      {"/ / ", "/", "/"},
      {"C:\\", "C:\\", "C:\\"},
      {"C:\\\\ \\", "C:\\\\ \\", "C:\\"},
      {"\\", "\\", "\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Stripped(c.path), test::OnWindows() ? c.windows : c.posix)
        << '"' << c.path << '"';
  }
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
    Paths folders;
    for (const std::string& top : EntryNames(tree_.root(), EntryType::kFolder)) {
      if (top == "A") {
        for (const std::string& sub :
             EntryNames(tree_.Path("A"), EntryType::kFolder)) {
          if (sub == "A3") folders.push_back(tree_.Path("A/A3/A31"));
          folders.push_back(tree_.Path("A/" + sub));
        }
      }
      folders.push_back(tree_.Path(top));
    }
    folders.push_back(tree_.root());
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
      EXPECT_NE(folders[j].rfind(folders[i] + kPathSeparator, 0), 0u)
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
      expected.push_back(folder + kPathSeparator + name);
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
  Paths expected;
  for (const char* folder :
       {"A/A1", "A/A2", "A/A3", "A/A3/A31", "A", "B", "C", "D"}) {
    expected.push_back(tree_.Path(folder));
  }
  EXPECT_EQ(Sorted(FoundPaths(scanner)), Sorted(expected));
  for (const FoundFile& found : scanner.foundFiles()) {
    EXPECT_TRUE(found.isFolder);
    EXPECT_TRUE(found.attributes & kAttributeFolder);
  }
}

// Leaving out the details must not change which entries are found, nor
// their order.
TEST_F(ScannerOrderTest, PathsOnlyScanFindsTheSameEntries) {
  size_t links = 0;
  if (test::CanMakeSymbolicLinks(tree_.root())) {
    tree_.AddLink("link.txt", "r1.txt");
    tree_.AddLink("A/up", "..");
    tree_.AddLink("B/broken", "missing");
    links = 1;  // only the link to a file is found
  }
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
  EXPECT_EQ(taken.size(), 19u + links);
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
    EXPECT_EQ(path.find(std::string(2, kPathSeparator)), std::string::npos)
        << path;
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

// Keeps every report and stops the scan at report number stopAt.
class StoppingObserver : public ScanObserver {
 public:
  explicit StoppingObserver(size_t stopAt = SIZE_MAX) : stopAt_(stopAt) {}
  bool OnScanProgress(const ScanProgress& progress) override {
    reports.push_back(progress);
    return reports.size() < stopAt_;
  }
  std::vector<ScanProgress> reports;

 private:
  size_t stopAt_;
};

TEST_F(ScannerOrderTest, ReportsAfterEveryEntryAndStopsAtOnce) {
  // 8 folders and 11 files beneath the root, each read once by either walk.
  constexpr size_t kEntries = 19;
  StoppingObserver all;
  CFolderScanner scanner;
  scanner.SetObserver(&all);
  EXPECT_TRUE(scanner.SetRoot(tree_.root(), true));
  EXPECT_TRUE(scanner.FindFiles("*.*", true, false));
  ASSERT_EQ(all.reports.size(), 2 * kEntries);
  for (size_t i = 1; i < all.reports.size(); ++i) {
    EXPECT_GE(all.reports[i].folders, all.reports[i - 1].folders);
    EXPECT_GE(all.reports[i].files, all.reports[i - 1].files);
  }
  EXPECT_EQ(all.reports[kEntries - 1].folders, 9u);
  EXPECT_EQ(all.reports[kEntries - 1].files, 0u);
  EXPECT_EQ(all.reports.back().folders, 9u);
  EXPECT_EQ(all.reports.back().files, 11u);

  // Stopped at each report in turn: not one entry more is read or taken.
  for (size_t stopAt = 1; stopAt <= 2 * kEntries; ++stopAt) {
    SCOPED_TRACE(stopAt);
    StoppingObserver stopping(stopAt);
    scanner.SetObserver(&stopping);
    scanner.ClearFolders();
    scanner.ClearFoundFiles();
    EXPECT_EQ(scanner.SetRoot(tree_.root(), true), stopAt > kEntries);
    EXPECT_FALSE(scanner.FindFiles("*.*", true, false));
    EXPECT_TRUE(scanner.stopped());
    EXPECT_EQ(stopping.reports.size(), stopAt);
    EXPECT_EQ(scanner.foundFiles().size(), stopping.reports.back().files);
  }
  // The dialog's listing says it was stopped, and hands over nothing.
  StoppingObserver early(3);
  const PackList list = ListFilesToPack(tree_.root(), &early);
  EXPECT_TRUE(list.stopped);
  EXPECT_TRUE(list.paths.empty());
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

// "/", or a drive's root "C:\", keeps its separator and joins with none.
TEST(FolderScannerTest, FileSystemRootJoinsWithoutDoubledSeparator) {
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  const std::string root = temp.root_path().string();
  const std::string first = temp.relative_path().begin()->string();
  CFolderScanner scanner;
  scanner.SetRoot(root + root.back(), false);
  EXPECT_EQ(scanner.folders(), Paths{root});
  scanner.FindFiles("*.*", false, true);
  const Paths found = FoundPaths(scanner);
  EXPECT_NE(std::find(found.begin(), found.end(), root + first), found.end())
      << root + first;
  for (const std::string& path : found) {
    EXPECT_EQ(path.find_last_of("\\/"), root.size() - 1) << path;
  }
}

TEST(FolderScannerTest, EntersHiddenAndDotFolders) {
  TempTree tree;
  Paths files = {".hidden/h.txt", "..x/y.txt", ".dotfile"};
  Paths folders = {".hidden", "..x"};
  // Windows drops trailing dots and blanks from names.
  if (!test::OnWindows()) {
    files.insert(files.end(), {".../three-dots.txt", "a folder /spaced name"});
    folders.insert(folders.end(), {"...", "a folder "});
  }
  Paths expectedFiles, expectedFolders = {tree.root()};
  for (const std::string& file : files) {
    expectedFiles.push_back(tree.AddFile(file));
  }
  for (const std::string& folder : folders) {
    expectedFolders.push_back(tree.Path(folder));
  }
  CFolderScanner scanner;
  scanner.SetRoot(tree.root(), true);
  EXPECT_EQ(Sorted(scanner.folders()), Sorted(expectedFolders));
  scanner.FindFiles("*.*", true, false);
  EXPECT_EQ(Sorted(FoundPaths(scanner)), Sorted(expectedFiles));
}

// A folder named only of white space is its own folder, not its parent.
TEST(FolderScannerTest, FolderNamedWithBlanksIsSearchedItself) {
  if (test::OnWindows()) GTEST_SKIP() << "Windows drops blanks that end names";
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
  if (!test::CanMakeSymbolicLinks(tree.root())) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
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
  if (!test::CanMakeSymbolicLinks(tree.root())) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
  tree.AddFile("real.txt", "hello");
  tree.AddLink("link.txt", "real.txt");
  tree.AddLink("broken", "gone.txt");
  // Only POSIX has FIFOs and sockets, and only root may make a device.
  std::map<std::string, EntryType> expected = {
      {tree.Path("broken"), EntryType::kBrokenLink}};
  if (test::MakeFifo(tree.Path("fifo"))) {
    expected[tree.Path("fifo")] = EntryType::kFifo;
  }
  if (test::MakeSocket(tree.Path("sock"))) {
    expected[tree.Path("sock")] = EntryType::kSocket;
  }
  if (test::MakeNullDevice(tree.Path("null"))) {
    expected[tree.Path("null")] = EntryType::kDevice;
  }

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
  EXPECT_EQ(leftOut, expected);
}

TEST(FolderScannerTest, ReportsSizesBeyondFourGibibytes) {
  TempTree tree;
  const std::string path = tree.AddFile("big/huge.bin");
  const uint64_t size = (uint64_t{4} << 30) + 17;
  std::error_code error;
  std::filesystem::resize_file(path, size, error);
  if (error) GTEST_SKIP() << "no sparse files on this file system";
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
  EXPECT_EQ(scanner.unreadableFolders()[0].reason, test::NoSuchFolderReason());
}

// A folder that only root may open: both walks fail on it, and it is noted
// once.
TEST(FolderScannerTest, UnreadableFolderCountsAsEmptyAndIsNotedOnce) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "folder permissions here are POSIX modes";
  }
  namespace fs = std::filesystem;
  TempTree tree;
  tree.AddFile("open/o.txt");
  tree.AddFile("locked/secret.txt");
  tree.AddFile("locked/inner/deeper.txt");
  tree.AddFile("r.txt");
  fs::permissions(tree.root(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec |
                                   fs::perms::others_read |
                                   fs::perms::others_exec);
  fs::permissions(tree.Path("locked"), fs::perms::none);

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
