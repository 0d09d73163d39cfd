// The texts the main dialog makes from what the engine and the scanner
// report.

#include "ui/core/dialog_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnok {
namespace {

TEST(DialogMessagesTest, FailureShowsDetailAndReasonBelowTheMessage) {
  const struct {
    Status status;
    std::string informative;
  } cases[] = {
      {Status::IoError(messages::kCantReadFile, "d/a.txt", "Gone"),
       "d/a.txt: Gone"},
      {Status::BadRequest(messages::kArchiveReplacesSource, "d/a.kzf"),
       "d/a.kzf"},
      {Status::IoError(messages::kCantOpenFolder, "", "Gone"), "Gone"},
      {Status::OutOfMemory(), ""},
  };
  for (const auto& c : cases) {
    const Message message = FailureMessage(c.status);
    EXPECT_EQ(message.text, c.status.message());
    EXPECT_EQ(message.informative, c.informative) << c.status.ToString();
  }
}

TEST(DialogMessagesTest, UnreadableFoldersAreCountedAndTheFirstFiveNamed) {
  std::vector<UnreadableFolder> folders;
  for (int i = 0; i < 7; ++i) {
    folders.push_back({"d/f" + std::to_string(i), "Denied"});
  }
  const struct {
    size_t count;
    std::string text;
    std::string informative;
  } cases[] = {
      {1, messages::kUnreadableFolder, "d/f0: Denied"},
      {5, "5 folders could not be read; their files are not in the list",
       "d/f0: Denied\nd/f1: Denied\nd/f2: Denied\nd/f3: Denied\nd/f4: Denied"},
      {7, "7 folders could not be read; their files are not in the list",
       "d/f0: Denied\nd/f1: Denied\nd/f2: Denied\nd/f3: Denied\nd/f4: Denied"
       "\nand 2 more"},
  };
  for (const auto& c : cases) {
    const Message message = UnreadableFoldersMessage(
        std::vector<UnreadableFolder>(folders.begin(),
                                      folders.begin() + c.count));
    EXPECT_EQ(message.text, c.text);
    EXPECT_EQ(message.informative, c.informative);
  }
}

TEST(DialogMessagesTest, DoneNamesTheArchivesTemporaryFilesLeftOut) {
  std::vector<std::string> files;
  for (int i = 0; i < 7; ++i) files.push_back("d/t" + std::to_string(i));
  const struct {
    size_t count;
    std::string informative;
  } cases[] = {
      {0, ""},
      {1, "Left out a temporary file of the archive:\nd/t0"},
      {7, "Left out 7 temporary files of the archive:\nd/t0\nd/t1\nd/t2\nd/t3"
          "\nd/t4\nand 2 more"},
  };
  for (const auto& c : cases) {
    const Message message = DoneMessage(
        std::vector<std::string>(files.begin(), files.begin() + c.count));
    EXPECT_EQ(message.text, messages::kDone);
    EXPECT_EQ(message.informative, c.informative);
  }
}

TEST(DialogMessagesTest, ProgressCountsEntriesAndBytes) {
  PackProgress progress;
  progress.entriesDone = 3;
  progress.entriesTotal = 10;
  progress.bytesDone = 1024;
  progress.bytesTotal = 2u << 20;
  EXPECT_EQ(ProgressText(progress), "Files: 3 of 10\nData: 1.0 KiB of 2.0 MiB");

  // The bar follows the bytes, or the entries when there are none to read.
  const struct {
    uint32_t entriesDone, entriesTotal;
    uint64_t bytesDone, bytesTotal;
    int step;
  } steps[] = {
      {3, 10, 512, 2048, 250},  {3, 10, 0, 0, 300},
      {0, 0, 0, 0, 0},          {10, 10, 4096, 2048, 1000},
      {1, 2, 1ull << 62, 1ull << 63, 500},
  };
  for (const auto& s : steps) {
    PackProgress at;
    at.entriesDone = s.entriesDone;
    at.entriesTotal = s.entriesTotal;
    at.bytesDone = s.bytesDone;
    at.bytesTotal = s.bytesTotal;
    EXPECT_EQ(ProgressStep(at, 1000), s.step) << s.bytesDone;
  }
}

}  // namespace
}  // namespace varnok
