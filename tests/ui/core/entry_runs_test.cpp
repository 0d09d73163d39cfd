// The archive window's decisions around extraction and verification, over
// an archive built here and runs whose ends the tests tell the monitor:
// which entries, the question about existing files, the messages at the end,
// the damaged entries marked, and the temporary copies' life.

#include "ui/core/entry_runs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/messages.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"
#include "tests/support/temp_folder.h"
#include "ui/core/temporary_copies.h"

namespace varnok {
namespace {

class EntryRunsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = (temp_.path() / "mod.kzf").string();
    std::vector<test::TestEntry> entries;
    for (const char* name : kNames) {
      entries.push_back(test::Stored(name, std::string(100, 'x')));
    }
    test::WriteFile(path, test::BuildArchive(entries));
    ASSERT_TRUE(table_.Open(path).ok());
  }

  static constexpr const char* kNames[] = {
      "data/a.txt", "data/maps/b.map", "data/maps/c.map", "data/sub/a.txt",
      "data/d.txt", "data/e.txt",      "data/f.txt",      "data/g.txt"};
  test::TempFolder temp_;
  CArchiveTable table_;
};

TEST_F(EntryRunsTest, TakesSelectedShownOrAllInArchiveOrder) {
  table_.SortBy(ArchiveColumn::kName);
  table_.SortBy(ArchiveColumn::kName);  // descending
  table_.SetFilter("maps");
  table_.SelectRows(0, 0, true);  // data/maps/c.map
  EXPECT_EQ(EntriesIn(table_, EntryScope::kSelected), std::vector<size_t>{2});
  EXPECT_EQ(EntriesIn(table_, EntryScope::kShown),
            (std::vector<size_t>{1, 2}));
  EXPECT_EQ(EntriesIn(table_, EntryScope::kAll).size(), 8u);
}

TEST_F(EntryRunsTest, AsksOnceNamingTheFilesInTheWay) {
  const std::filesystem::path out = temp_.path() / "out";
  std::filesystem::create_directories(out / "data" / "maps" / "c.map");
  test::WriteFile(out / "data" / "a.txt", "mine");
  test::WriteFile(out / "a.txt", "mine");
  const std::vector<size_t> all = EntriesIn(table_, EntryScope::kAll);
  const struct {
    bool withoutFolders;
    std::vector<std::string> inTheWay;
  } cases[] = {
      // A folder where a file would go is in the way too.
      {false, {"data/a.txt", "data/maps/c.map"}},
      // Without folders, both a.txt entries land on out/a.txt.
      {true, {"data/a.txt", "data/sub/a.txt"}},
  };
  for (const auto& c : cases) {
    const ExtractChoice choice{out.string(), c.withoutFolders};
    EXPECT_EQ(NamesInTheWay(table_, all, choice), c.inTheWay);
  }
  const Message question = ExistingQuestion(
      {"1", "2", "3", "4", "5", "6", "7"}, out.string());
  EXPECT_EQ(question.text, "7 files already there in " + out.string());
  EXPECT_EQ(question.informative,
            "1\n2\n3\n4\n5\nand 2 more\n\n"
            "Replace them, keep the existing ones, or cancel?");
}

TEST_F(EntryRunsTest, EndOfExtractionSaysWhatWentWhere) {
  const Status written = Status::Ok();
  const Status kept = Status::IoError(messages::kFileExists, "out/x");
  const Status unsafe =
      Status::BadRequest(messages::kUnsafeName, "../x", "leads out");
  const Status repeated = Status::BadRequest(messages::kRepeatedName, "x");
  const Status failed =
      Status::IoError("Can't write file", "out/data/e.txt", "No space");
  const struct {
    std::vector<Status> ends;  // of entries 0, 1, ... in turn
    bool cancel;
    std::string text, informative;
  } cases[] = {
      {{written, written}, false, "2 files extracted to out", ""},
      {{written, kept, kept}, false, "1 file extracted to out",
       "2 files kept as they were."},
      {{unsafe, repeated, written}, false, "1 file extracted to out",
       "Not extracted, unsafe names:\ndata/a.txt: leads out\n\n"
       "Not extracted, repeated names:\ndata/maps/b.map"},
      {{written, failed}, false, "1 file extracted to out",
       "Not extracted:\nCan't write file: out/data/e.txt: No space\n\n"
       "Written:\ndata/a.txt"},
      {{written, written, written, written, written, written, written}, true,
       "Extraction cancelled: 7 files written to out",
       "Written:\ndata/a.txt\ndata/maps/b.map\ndata/maps/c.map\n"
       "data/sub/a.txt\ndata/d.txt\nand 2 more"},
  };
  const ExtractChoice choice{"out"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    CEntryRunMonitor monitor(table_, EntriesIn(table_, EntryScope::kAll));
    for (size_t i = 0; i < c.ends.size(); ++i) monitor.EntryDone(i, c.ends[i]);
    if (c.cancel) monitor.Cancel();
    EXPECT_EQ(monitor.Cancelled(), c.cancel);
    const Message message =
        ExtractDoneMessage(table_, monitor, Status::Ok(), choice);
    EXPECT_EQ(message.text, c.text);
    EXPECT_EQ(message.informative, c.informative);
  }
  // A folder that can't be opened is the run's own failure.
  CEntryRunMonitor monitor(table_, {0});
  const Status cantOpen =
      Status::IoError(messages::kCantCreateFolder, "out", "Read-only");
  EXPECT_EQ(ExtractDoneMessage(table_, monitor, cantOpen, choice).text,
            messages::kCantCreateFolder);
}

TEST_F(EntryRunsTest, CopiesForOpeningAreTheFilesWrittenAndAMessageOnlyWhenShort) {
  ExtractChoice choice{"tmp/run1"};
  choice.withoutFolders = true;
  CEntryRunMonitor whole(table_, {1, 3});
  whole.EntryDone(1, Status::Ok());
  whole.EntryDone(3, Status::Ok());
  const CopiesMade all = CopiesOfRun(table_, whole, Status::Ok(), choice);
  EXPECT_EQ(all.copies, (std::vector<std::string>{
                            ExtractTarget("tmp/run1", kNames[1], true),
                            ExtractTarget("tmp/run1", kNames[3], true)}));
  EXPECT_FALSE(all.message.has_value());

  CEntryRunMonitor partial(table_, {1, 3});
  partial.EntryDone(1, Status::IoError("Can't write file", "x", "No space"));
  partial.EntryDone(3, Status::Ok());
  const CopiesMade some = CopiesOfRun(table_, partial, Status::Ok(), choice);
  EXPECT_EQ(some.copies.size(), 1u);
  ASSERT_TRUE(some.message.has_value());
  EXPECT_EQ(some.message->text, "1 file extracted to tmp/run1");
}

TEST_F(EntryRunsTest, VerificationMarksAndNamesTheDamagedEntries) {
  CEntryRunMonitor monitor(table_, EntriesIn(table_, EntryScope::kAll));
  EXPECT_EQ(monitor.ProgressText(), "Files: 0 of 8\nData: 0 B of 800 B");
  for (size_t i = 0; i < 8; ++i) {
    monitor.EntryDone(i, i == 2 ? Status::BadRequest(messages::kDamagedArchive,
                                                     "mod.kzf", "entry 2: CRC")
                                : Status::Ok());
  }
  EXPECT_EQ(monitor.ProgressStep(100), 100);
  table_.SetFilter("maps");
  Message message = VerifyDoneMessage(&table_, monitor);
  EXPECT_EQ(message.text, "1 entry damaged of 8");
  EXPECT_EQ(message.informative, "entry 2: CRC");
  EXPECT_EQ(table_.DamageOf(0), "");
  EXPECT_EQ(table_.DamageOf(1), "entry 2: CRC");

  // A run cancelled halfway says so; a sound run clears the old marks.
  CEntryRunMonitor half(table_, EntriesIn(table_, EntryScope::kAll));
  half.EntryDone(0, Status::Ok());
  half.Cancel();
  EXPECT_EQ(VerifyDoneMessage(&table_, half).text,
            "Verification cancelled after 1 entry of 8");
  CEntryRunMonitor sound(table_, {1, 2});
  sound.EntryDone(1, Status::Ok());
  sound.EntryDone(2, Status::Ok());
  EXPECT_EQ(VerifyDoneMessage(&table_, sound).text, "All 2 entries are sound");
  EXPECT_EQ(table_.DamageOf(1), "");
}

TEST(TemporaryCopiesTest, FreshPrivateFolderPerRunAllGoneAtTheEnd) {
  std::string root;
  {
    CTemporaryCopies copies;
    EXPECT_EQ(copies.root(), std::nullopt);  // nothing made until needed
    std::string first, second;
    ASSERT_TRUE(copies.NewRunFolder(&first).ok());
    ASSERT_TRUE(copies.NewRunFolder(&second).ok());
    EXPECT_NE(first, second);
    root = *copies.root();
    namespace fs = std::filesystem;
    if (!test::OnWindows()) {  // where the user's own folder keeps others out
      EXPECT_EQ(fs::status(root).permissions() &
                    (fs::perms::group_all | fs::perms::others_all),
                fs::perms::none);
    }
    fs::create_directories(test::PathOf(first) / "deep");
    test::WriteFile(test::PathOf(first) / "deep" / "copy.txt", "held open");
  }
  EXPECT_FALSE(std::filesystem::exists(test::PathOf(root)));
}

}  // namespace
}  // namespace varnok
