#include "platform/folder_enumerator.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/scan/temp_tree.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

std::map<std::string, FolderEntry> EntriesByName(
    const std::string& folder, FolderEnumerator::Details details) {
  std::map<std::string, FolderEntry> entries;
  FolderEnumerator enumerator(folder, details);
  FolderEntry entry;
  while (enumerator.Next(&entry)) entries[entry.name] = entry;
  return entries;
}

TEST(FolderEnumeratorTest, YieldsEveryEntryInTheSystemsOrderWithoutDots) {
  TempTree tree;
  std::vector<std::string> files = {"b", "A", "c.txt", ".hidden", "z z"};
  // Windows drops trailing dots from names.
  if (!test::OnWindows()) files.push_back("...");
  for (const std::string& name : files) tree.AddFile(name);
  tree.AddFolder("sub");

  std::vector<std::string> names;
  FolderEnumerator enumerator(tree.root(), FolderEnumerator::kFull);
  ASSERT_TRUE(enumerator.IsOpen());
  FolderEntry entry;
  while (enumerator.Next(&entry)) names.push_back(entry.name);
  EXPECT_EQ(names, test::SystemListing(tree.root()));
  EXPECT_EQ(names.size(), files.size() + 1);
  EXPECT_FALSE(enumerator.Next(&entry));  // stays at the end
}

TEST(FolderEnumeratorTest, FolderThatCannotBeOpenedHasNoEntries) {
  TempTree tree;
  const std::string file = tree.AddFile("file.txt", "x");
  for (const std::string& folder :
       {tree.Path("missing"), file, std::string(), tree.Path("file.txt/")}) {
    FolderEnumerator enumerator(folder, FolderEnumerator::kFull);
    EXPECT_FALSE(enumerator.IsOpen()) << folder;
    FolderEntry entry;
    EXPECT_FALSE(enumerator.Next(&entry)) << folder;
  }
}

TEST(FolderEnumeratorTest, ReportsTimesSizeAndAttributes) {
  TempTree tree;
  const std::string file = tree.AddFile("plain.bin", std::string(1234, 'x'));
  tree.AddFile(".dotfile", "y");
  const std::string readOnly = tree.AddFile("locked.txt", "z");
  namespace fs = std::filesystem;
  fs::permissions(readOnly,
                  fs::perms::owner_write | fs::perms::group_write |
                      fs::perms::others_write,
                  fs::perm_options::remove);
  tree.AddFile("sub/inner.txt", "abc");

  // 2004-05-05 00:00:00.5 UTC.
  ASSERT_TRUE(test::SetLastWriteTime(file, 127281888005000000u));

  auto entries = EntriesByName(tree.root(), FolderEnumerator::kFull);
  ASSERT_EQ(entries.size(), 4u);

  // Windows reports its own attribute bits: new files carry "archive"
  // (0x20), and wine marks dot files hidden. The named bits mean the same
  // on every system.
  const uint32_t named = test::OnWindows()
                             ? kAttributeReadOnly | kAttributeHidden |
                                   kAttributeFolder
                             : ~uint32_t{0};
  const auto bits = [&](const std::string& name) {
    return entries[name].attributes & named;
  };
  const FolderEntry& plain = entries["plain.bin"];
  EXPECT_EQ(plain.type, EntryType::kFile);
  EXPECT_EQ(bits("plain.bin"), test::OnWindows() ? 0u : kAttributeNormal);
  EXPECT_EQ(plain.size, 1234u);
  EXPECT_EQ(plain.lastWriteTime, 127281888005000000u);
  EXPECT_NE(plain.creationTime, 0u);

  if (!test::OnWindows()) EXPECT_EQ(bits(".dotfile"), kAttributeHidden);
  EXPECT_EQ(bits("locked.txt"), kAttributeReadOnly);

  const FolderEntry& sub = entries["sub"];
  EXPECT_EQ(sub.type, EntryType::kFolder);
  EXPECT_EQ(bits("sub"), kAttributeFolder);
  EXPECT_EQ(sub.size, 0u);
  EXPECT_NE(sub.lastWriteTime, 0u);
}

// Both levels of detail must agree on what each kind of entry is; the cheap
// one answers from d_type and asks for a status only for links.
TEST(FolderEnumeratorTest, ClassifiesEveryKindOfEntryAtBothLevels) {
  TempTree tree;
  if (!test::CanMakeSymbolicLinks(tree.root())) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
  tree.AddFile("file.txt", "12345");
  tree.AddFolder("folder");
  tree.AddLink("link-to-file", "file.txt");
  tree.AddLink("link-to-folder", "folder");
  tree.AddLink("broken-link", "nothing-here");
  tree.AddLink("link-to-link", "link-to-file");
  std::map<std::string, EntryType> expected = {
      {"file.txt", EntryType::kFile},
      {"folder", EntryType::kFolder},
      {"link-to-file", EntryType::kFile},
      {"link-to-folder", EntryType::kLinkToFolder},
      {"broken-link", EntryType::kBrokenLink},
      {"link-to-link", EntryType::kFile},
  };
  // Windows has no FIFOs.
  if (test::MakeFifo(tree.Path("fifo"))) {
    tree.AddLink("link-to-fifo", "fifo");
    expected["fifo"] = EntryType::kFifo;
    expected["link-to-fifo"] = EntryType::kOther;
  }
  for (auto details : {FolderEnumerator::kTypeOnly, FolderEnumerator::kFull}) {
    auto entries = EntriesByName(tree.root(), details);
    ASSERT_EQ(entries.size(), expected.size());
    for (const auto& [name, type] : expected) {
      EXPECT_EQ(entries[name].type, type) << name << " details " << details;
      EXPECT_EQ((entries[name].attributes & kAttributeFolder) != 0,
                type == EntryType::kFolder)
          << name;
    }
  }
  // A link reports the size of the file it leads to.
  auto full = EntriesByName(tree.root(), FolderEnumerator::kFull);
  EXPECT_EQ(full["link-to-file"].size, 5u);
  EXPECT_EQ(full["link-to-link"].size, 5u);
}

}  // namespace
}  // namespace varnok
