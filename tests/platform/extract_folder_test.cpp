#include "platform/extract_folder.h"

#include "base/escape.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/temporary_name.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

TEST(CheckExtractNameTest, AcceptsRelativeNamesOfFiles) {
  for (const char* name :
       {"data/a.txt", "a", "data/My Textures/Stone.PNG", "data//a", "./data/a",
        "data/..a/b", "data/.hidden", "data/CONSOLE", "data/com10",
        "data/nul_x.txt", "data/lpt.txt"}) {
    EXPECT_TRUE(CheckExtractName(name).ok()) << name;
  }
}

TEST(CheckExtractNameTest, RefusesWhatWindowsCantNameOnlyThere) {
  const char* const device = "is the name of a Windows device";
  const struct {
    const char* name;
    std::string reason;  // on Windows; POSIX takes every one
  } cases[] = {
      {"C:/x", "is a drive letter"},
      {"data/a:b", "contains the character :, which Windows does not allow in "
                   "names"},
      {"data/a\\b", "contains the character \\, which Windows does not allow "
                    "in names"},
      {"data/a?b", "contains the character ?, which Windows does not allow in "
                   "names"},
      {"data/b..", "ends with a dot or a blank, which Windows drops"},
      {"data/b ", "ends with a dot or a blank, which Windows drops"},
      {"data/CON", device},
      {"data/nul.txt", device},
      {"aux/a.txt", device},
      {"data/Com1.log", device},
      {"data/LPT9", device},
  };
  for (const auto& c : cases) {
    const Status status = CheckExtractName(c.name);
    if (!test::OnWindows()) {
      EXPECT_TRUE(status.ok()) << c.name;
      continue;
    }
    EXPECT_EQ(status.message(), messages::kUnsafeName) << c.name;
    EXPECT_EQ(status.detail(), EscapeName(c.name));
    EXPECT_EQ(status.reason(), c.reason);
  }
}

TEST(CheckExtractNameTest, RefusesNamesThatLeaveTheFolderOrNameNoFile) {
  const struct {
    std::string name;
    const char* reason;
  } cases[] = {
      {"", "empty name"},
      {"/etc/passwd", "absolute path"},
      {"..", "contains a \"..\" component"},
      {"../x", "contains a \"..\" component"},
      {"data/../../x", "contains a \"..\" component"},
      {"data/..", "contains a \"..\" component"},
      {std::string("data/a\0b", 8), "contains a zero byte"},
      {"data/", "names no file"},
      {"data/.", "names no file"},
  };
  for (const auto& c : cases) {
    Status status = CheckExtractName(c.name);
    ASSERT_FALSE(status.ok()) << c.name;
    EXPECT_EQ(status.message(), messages::kUnsafeName);
    EXPECT_EQ(status.detail(), EscapeName(c.name));
    EXPECT_EQ(status.reason(), c.reason);
  }
}

class ExtractFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = folder_.path() / "out";
    ASSERT_TRUE(extract_.Open(root_.string()).ok());
  }

  // Extracts name through produce, and ends the batch: how it ended.
  Status Extract(std::string_view name,
                 const std::function<Status(ByteSink&)>& produce,
                 CExtractFolder::Existing existing =
                     CExtractFolder::Existing::kReplace) {
    Status status = Status::Cancelled();  // until done tells
    extract_.Extract(
        name, produce, [&status](const Status& done) { status = done; },
        existing);
    extract_.Finish();
    return status;
  }
  // Extracts name with content, through a producer that writes it in two
  // pieces.
  Status Write(std::string_view name, const std::string& content) {
    return Extract(name, [&](ByteSink& sink) {
      Status status = sink.Append(content.substr(0, content.size() / 2));
      return status.ok() ? sink.Append(content.substr(content.size() / 2))
                         : status;
    });
  }

  // Every entry beneath the folder, as relative paths.
  std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      out.push_back(fs::relative(entry.path(), folder).generic_string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  test::TempFolder folder_;
  fs::path root_;
  CExtractFolder extract_;
};

TEST_F(ExtractFolderTest, CreatesFoldersAndReplacesFiles) {
  ASSERT_TRUE(Write("data/My Textures/a b.png", "picture").ok());
  ASSERT_TRUE(Write("data//./top.txt", "top").ok());
  ASSERT_TRUE(Write("data/top.txt", "again").ok());
  EXPECT_EQ(test::ReadFile(root_ / "data/My Textures/a b.png"), "picture");
  EXPECT_EQ(test::ReadFile(root_ / "data/top.txt"), "again");
  EXPECT_EQ(Listing(root_),
            (std::vector<std::string>{"data", "data/My Textures",
                                      "data/My Textures/a b.png",
                                      "data/top.txt"}));
}

TEST_F(ExtractFolderTest, WritesUnnamedOrUnderATemporaryNameOfTheFile) {
  std::vector<std::string> midway;
  ASSERT_TRUE(Extract("data/a.txt", [&](ByteSink& sink) {
                midway = Listing(root_);
                return sink.Append("x");
              }).ok());
  // POSIX's files have no name while written; Windows's have the one
  // scheme of temporary names.
  ASSERT_EQ(midway.size(), test::OnWindows() ? 2u : 1u);
  EXPECT_EQ(midway[0], "data");
  if (midway.size() == 2) {
    EXPECT_TRUE(IsTemporaryNameOf(midway[1].substr(5), "a.txt")) << midway[1];
  }
}

TEST_F(ExtractFolderTest, FailedProducerLeavesNothingAndKeepsTheOldFile) {
  ASSERT_TRUE(Write("data/a.txt", "old").ok());
  Status status = Extract("data/a.txt", [](ByteSink& sink) {
    Status ignored = sink.Append("half of the new");
    return Status::Damaged("Damaged archive", "x.kzf: entry 0");
  });
  EXPECT_EQ(status.ToString(), "Damaged archive: x.kzf: entry 0");
  EXPECT_EQ(test::ReadFile(root_ / "data/a.txt"), "old");
  status = Extract("data/new.txt", [](ByteSink& sink) {
    Status ignored = sink.Append("part");
    return Status::Damaged("Damaged archive");
  });
  EXPECT_FALSE(status.ok());
  // No temporary file remains beside them.
  EXPECT_EQ(Listing(root_), (std::vector<std::string>{"data", "data/a.txt"}));
}

TEST_F(ExtractFolderTest, RefusesToPassThroughASymbolicLink) {
  if (!test::CanMakeSymbolicLinks(folder_.path())) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
  const std::string through = test::OnWindows()
                                  ? "passes through the symbolic link or "
                                    "junction "
                                  : "passes through the symbolic link ";
  const fs::path outside = folder_.path() / "outside";
  fs::create_directory(outside);
  fs::create_directory_symlink(outside, root_ / "data");
  Status status = Write("data/a.txt", "escaped");
  EXPECT_EQ(status.ToString(), std::string(messages::kUnsafeName) +
                                   ": data/a.txt: " + through +
                                   test::NativePath(root_ / "data"));
  fs::create_directories(root_ / "deep/er");
  fs::create_directory_symlink(outside, root_ / "deep/er/link");
  status = Write("deep/er/link/sub/x", "escaped");
  EXPECT_EQ(status.message(), messages::kUnsafeName);
  EXPECT_EQ(status.reason(),
            through + test::NativePath(root_ / "deep/er/link"));
  EXPECT_TRUE(fs::is_empty(outside));
}

TEST_F(ExtractFolderTest, NeverFollowsALinkPutInPlaceOfAFolderBetweenFiles) {
  if (!test::CanMakeSymbolicLinks(folder_.path())) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
  const fs::path outside = folder_.path() / "outside";
  fs::create_directory(outside);
  ASSERT_TRUE(Write("data/deep/a.txt", "a").ok());
  fs::rename(root_ / "data", root_ / "moved");
  fs::create_directory_symlink(outside, root_ / "data");
  const Status status = Write("data/deep/b.txt", "b");
  EXPECT_TRUE(fs::is_empty(outside));
  // POSIX keeps the last file's folders open and writes into the one it
  // checked, wherever it went; Windows opens them again and meets the link.
  if (status.ok()) {
    EXPECT_EQ(test::ReadFile(root_ / "moved/deep/b.txt"), "b");
  } else {
    EXPECT_EQ(status.message(), messages::kUnsafeName);
  }
}

TEST_F(ExtractFolderTest, ReplacesALinkInPlaceOfTheFileWithoutFollowingIt) {
  if (!test::CanMakeSymbolicLinks(folder_.path())) {
    GTEST_SKIP() << "symbolic links can't be made here";
  }
  const fs::path target = folder_.path() / "target.txt";
  test::WriteFile(target, "keep");
  fs::create_symlink(target, root_ / "a.txt");
  ASSERT_TRUE(Write("a.txt", "new").ok());
  EXPECT_FALSE(fs::is_symlink(root_ / "a.txt"));
  EXPECT_EQ(test::ReadFile(root_ / "a.txt"), "new");
  EXPECT_EQ(test::ReadFile(target), "keep");
}

TEST_F(ExtractFolderTest, KeepsWhatHasTheNameWithoutReadingTheEntry) {
  ASSERT_TRUE(Write("data/file", "old").ok());
  fs::create_directory(root_ / "data/folder");
  std::vector<std::string> names = {"data/file", "data/folder"};
  const bool links = test::CanMakeSymbolicLinks(root_);
  if (links) {
    fs::create_symlink("nowhere", root_ / "data/broken");
    names.push_back("data/broken");
  }
  for (const std::string& name : names) {
    bool produced = false;
    const Status status = Extract(
        name,
        [&](ByteSink& sink) {
          produced = true;
          return sink.Append("new");
        },
        CExtractFolder::Existing::kKeep);
    EXPECT_EQ(status.ToString(), std::string(messages::kFileExists) + ": " +
                                     test::NativePath(root_ / name));
    EXPECT_FALSE(produced) << name;
  }
  EXPECT_EQ(test::ReadFile(root_ / "data/file"), "old");
  std::vector<std::string> listing = {"data", "data/file", "data/folder"};
  if (links) {
    EXPECT_TRUE(fs::is_symlink(root_ / "data/broken"));
    listing.insert(listing.begin() + 1, "data/broken");
  }
  EXPECT_EQ(Listing(root_), listing);
}

TEST_F(ExtractFolderTest, ReportsAFileWhereAFolderMustGo) {
  ASSERT_TRUE(Write("data/a", "file").ok());
  Status status = Write("data/a/b", "x");
  EXPECT_EQ(status.message(), messages::kCantCreateFolder);
  EXPECT_EQ(status.detail(), test::NativePath(root_ / "data/a"));
  EXPECT_EQ(status.reason(), test::NotAFolderReason());
  fs::create_directory(root_ / "dir");
  status = Write("dir", "x");
  EXPECT_EQ(status.message(), messages::kCantWriteFile);
  EXPECT_EQ(Listing(root_),
            (std::vector<std::string>{"data", "data/a", "dir"}));
}

TEST_F(ExtractFolderTest, NamesFilesAsTheSystemSpellsThem) {
  // A stored name is the archive's bytes: on POSIX the file's own name; on
  // Windows a name in its ANSI code page.
  if (test::OnWindows() && test::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "the name is chosen for code page 1252";
  }
  ASSERT_TRUE(Write("data/caf\xE9.txt", "coffee").ok());
  const fs::path file = test::OnWindows() ? test::PathOf("caf\xC3\xA9.txt")
                                          : fs::path("caf\xE9.txt");
  EXPECT_EQ(test::ReadFile(root_ / "data" / file), "coffee");
}

}  // namespace
}  // namespace varnok
