#include "platform/folder_enumerator.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/scan/temp_tree.h"

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

TEST(FolderEnumeratorTest, YieldsEveryEntryInReaddirOrderWithoutDots) {
  TempTree tree;
  for (const char* name : {"b", "A", "c.txt", ".hidden", "...", "z z"}) {
    tree.AddFile(name);
  }
  tree.AddFolder("sub");

  std::vector<std::string> expected;
  DIR* dir = opendir(tree.root().c_str());
  ASSERT_NE(dir, nullptr);
  while (const dirent* d = readdir(dir)) {
    const std::string name = d->d_name;
    if (name != "." && name != "..") expected.push_back(name);
  }
  closedir(dir);

  std::vector<std::string> names;
  FolderEnumerator enumerator(tree.root(), FolderEnumerator::kFull);
  ASSERT_TRUE(enumerator.IsOpen());
  FolderEntry entry;
  while (enumerator.Next(&entry)) names.push_back(entry.name);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(names.size(), 7u);
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
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  tree.AddFile("sub/inner.txt", "abc");

  // 2004-05-05 00:00:00.5 UTC.
  const timespec times[2] = {{1083715200, 500000000}, {1083715200, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

  auto entries = EntriesByName(tree.root(), FolderEnumerator::kFull);
  ASSERT_EQ(entries.size(), 4u);

  const FolderEntry& plain = entries["plain.bin"];
  EXPECT_EQ(plain.type, EntryType::kFile);
  EXPECT_EQ(plain.attributes, kAttributeNormal);
  EXPECT_EQ(plain.size, 1234u);
  EXPECT_EQ(plain.lastWriteTime, 127281888005000000u);
  EXPECT_NE(plain.creationTime, 0u);

  EXPECT_EQ(entries[".dotfile"].attributes, kAttributeHidden);
  EXPECT_EQ(entries["locked.txt"].attributes, kAttributeReadOnly);

  const FolderEntry& sub = entries["sub"];
  EXPECT_EQ(sub.type, EntryType::kFolder);
  EXPECT_EQ(sub.attributes, kAttributeFolder);
  EXPECT_EQ(sub.size, 0u);
  EXPECT_NE(sub.lastWriteTime, 0u);
}

// Both levels of detail must agree on what each kind of entry is; the cheap
// one answers from d_type and asks for a status only for links.
TEST(FolderEnumeratorTest, ClassifiesEveryKindOfEntryAtBothLevels) {
  TempTree tree;
  tree.AddFile("file.txt", "12345");
  tree.AddFolder("folder");
  tree.AddLink("link-to-file", "file.txt");
  tree.AddLink("link-to-folder", "folder");
  tree.AddLink("broken-link", "nothing-here");
  tree.AddLink("link-to-link", "link-to-file");
  tree.AddLink("link-to-fifo", "fifo");
  ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0644), 0);

  const std::map<std::string, EntryType> expected = {
      {"file.txt", EntryType::kFile},
      {"folder", EntryType::kFolder},
      {"link-to-file", EntryType::kFile},
      {"link-to-folder", EntryType::kLinkToFolder},
      {"broken-link", EntryType::kBrokenLink},
      {"link-to-link", EntryType::kFile},
      {"fifo", EntryType::kFifo},
      {"link-to-fifo", EntryType::kOther},
  };
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
