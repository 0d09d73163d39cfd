// The main dialog's commands, without a window: a fake view holds the
// controls' values, scripted prompts answer the questions, and the real
// scanner and pack engine work behind them.

#include "ui/core/varnok_presenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/archive/test_archive.h"
#include "tests/scan/temp_tree.h"
#include "tests/support/platform_test.h"
#include "tests/ui/scripted_prompts.h"
#include "ui/core/compress_choice.h"
#include "ui/core/dialog_view.h"
#include "ui/core/run_monitor.h"

namespace varnok {
namespace {

using Strings = std::vector<std::string>;

// The controls' values, and work run on a thread of its own.
class FakeView : public DialogView {
 public:
  void ShowRows(const Strings& rows) override { shownRows = rows; }
  std::string BasePath() const override { return basePath; }
  void SetBasePath(const std::string& text) override { basePath = text; }
  bool CompressChecked() const override { return compress; }
  void SetCompressChecked(bool checked) override { compress = checked; }
  Status RunInBackground(const std::function<void()>& work,
                         CRunMonitor* monitor) override {
    if (!threads) return Status::IoError(messages::kCantStartThread, {}, "none");
    if (duringWork) duringWork();
    // The user presses Cancel before the run reports any progress.
    if (cancelRuns) monitor->Cancel();
    std::thread(work).join();
    // What the progress window would show at the end.
    progressText = monitor->ProgressText();
    progressStep = monitor->ProgressStep(1000);
    return Status::Ok();
  }

  Strings shownRows = {"not shown yet"};
  std::string basePath;
  bool compress = true;
  bool cancelRuns = false;
  bool threads = true;  // whether a thread can be started
  std::function<void()> duringWork;
  std::string progressText;
  std::optional<int> progressStep;
};

class PresenterTest : public ::testing::Test {
 protected:
  PresenterTest() : presenter_(&view_, &prompts_) { presenter_.Start(); }

  // A folder "data" holding files, each holding "content of NAME"; its path.
  std::string MakeFolder(const Strings& files) {
    return tree_.AddFolderOfFiles("data", files);
  }
  void Select(const std::string& folder) {
    prompts_.folder = folder;
    presenter_.OnSelectFiles();
  }
  void Pack(const std::string& archive) {
    prompts_.archiveName = archive;
    presenter_.OnPack();
  }
  // Counts the runs the engine is asked for instead of packing.
  void CountPacks(int* runs) {
    presenter_.SetPackFunction([runs](const PackRequest&, PackObserver*) {
      ++*runs;
      return Status::Ok();
    });
  }
  static bool Exists(const std::string& path) {
    return std::filesystem::exists(test::PathOf(path));
  }
  static std::string Read(const std::string& path) {
    return test::ReadFile(test::PathOf(path));
  }

  TempTree tree_;
  FakeView view_;
  test::ScriptedPrompts prompts_;
  CVarnokPresenter presenter_;
};

TEST_F(PresenterTest, StartsWithNoRowsTheDataBasePathAndCompressOff) {
  EXPECT_EQ(view_.shownRows, Strings{});
  EXPECT_EQ(view_.basePath, "data/");
  EXPECT_FALSE(view_.compress);
  EXPECT_TRUE(presenter_.rows().empty());
  EXPECT_TRUE(prompts_.log.empty());
}

// The archive windows add files with the dialog's choice.
TEST_F(PresenterTest, CompressWarnsBeforeEachSwitchOnAndIsTheProgramsChoice) {
  std::vector<bool> checkedAtMessage;
  prompts_.onMessage = [&](const std::string&) {
    checkedAtMessage.push_back(view_.compress);
  };
  for (const bool expected : {true, false, true, false}) {
    presenter_.OnCompress();
    EXPECT_EQ(view_.compress, expected);
    EXPECT_EQ(CompressChosen(), expected);
  }
  EXPECT_EQ(prompts_.texts(),
            (Strings{messages::kCompressWarning, messages::kCompressWarning}));
  EXPECT_EQ(checkedAtMessage, (std::vector<bool>{false, false}));
}

TEST_F(PresenterTest, SelectionListsFilesInPathOrderAndPacksThemInThatOrder) {
  std::vector<bool> busy;
  view_.duringWork = [&] { busy.push_back(presenter_.busy()); };
  Select(MakeFolder({"b.txt", "A.txt", "c.txt", "sub/a.txt", "Sub2/0.txt",
                     "level1.map", "level/x.txt"}));

  // A folder goes before a file that begins with its name and a digit.
  const Strings names = {"A.txt",      "b.txt",     "c.txt",     "level/x.txt",
                         "level1.map", "sub/a.txt", "Sub2/0.txt"};
  Strings expected;
  for (const std::string& name : names) {
    expected.push_back(tree_.Path("data/" + name));
  }
  EXPECT_EQ(presenter_.rows(), expected);
  EXPECT_EQ(view_.shownRows, expected);
  EXPECT_TRUE(prompts_.messages.empty());

  // Stored, then deflated: byte for byte the archives of these entries.
  for (const bool compress : {false, true}) {
    view_.compress = compress;
    const std::string archive = tree_.Path(compress ? "d.kzf" : "s.kzf");
    Pack(archive);
    std::vector<test::TestEntry> entries;
    for (const std::string& name : names) {
      const std::string content = "content of " + name;
      entries.push_back(compress ? test::Deflated("data/" + name, content)
                                 : test::Stored("data/" + name, content));
    }
    EXPECT_EQ(Read(archive), test::BuildArchive(entries));
  }
  // A folder without files empties the list, without a word.
  tree_.AddFolder("empty/only/folders");
  Select(tree_.Path("empty"));
  EXPECT_EQ(presenter_.rows(), Strings{});
  EXPECT_EQ(view_.shownRows, Strings{});

  EXPECT_EQ(prompts_.log, (Strings{"folder", "save", "message", "save",
                                   "message", "folder"}));
  EXPECT_EQ(prompts_.texts(), (Strings{messages::kDone, messages::kDone}));
  // Busy while each scan and each pack ran, and only then.
  EXPECT_EQ(busy, (std::vector<bool>{true, true, true, true}));
  EXPECT_FALSE(presenter_.busy());
}

TEST_F(PresenterTest, CancelledPickerAndSaveDialogChangeNothing) {
  Select(MakeFolder({"one.txt", "two.txt"}));
  const Strings rows = presenter_.rows();
  ASSERT_EQ(rows.size(), 2u);
  int runs = 0;
  CountPacks(&runs);

  prompts_.folder.reset();
  presenter_.OnSelectFiles();
  prompts_.archiveName.reset();
  presenter_.OnPack();

  EXPECT_EQ(prompts_.log, (Strings{"folder", "folder", "save"}));
  EXPECT_EQ(presenter_.rows(), rows);
  EXPECT_EQ(view_.shownRows, rows);
  EXPECT_EQ(runs, 0);
}

TEST_F(PresenterTest, CancelledPackLeavesNothingBehindAndSaysNothing) {
  Select(MakeFolder({"a.txt", "b.txt"}));
  const std::string archive = tree_.Path("out.kzf");
  test::WriteFile(test::PathOf(archive), "old archive");
  view_.cancelRuns = true;
  view_.compress = false;
  Pack(archive);

  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(Read(archive), "old archive");
  EXPECT_EQ(test::SystemListing(tree_.root()).size(), 2u);  // data, out.kzf
  EXPECT_EQ(presenter_.rows().size(), 2u);
}

TEST_F(PresenterTest, ScanShowsWhatItFoundAndCancelKeepsTheRows) {
  const std::string folder = MakeFolder({"a.txt", "sub/b.txt", "sub/c.txt"});
  Select(folder);
  EXPECT_EQ(view_.progressText, "Folders found: 2\nFiles found: 3");
  EXPECT_EQ(view_.progressStep, std::nullopt);  // no end in sight
  const Strings rows = presenter_.rows();
  ASSERT_EQ(rows.size(), 3u);

  tree_.AddFile("data/d.txt");
  view_.cancelRuns = true;
  Select(folder);
  EXPECT_EQ(presenter_.rows(), rows);
  EXPECT_EQ(view_.shownRows, rows);
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_FALSE(presenter_.busy());
}

TEST_F(PresenterTest, ThreadThatCannotStartIsAMessageAndChangesNothing) {
  Select(MakeFolder({"a.txt"}));
  const Strings rows = presenter_.rows();
  int runs = 0;
  CountPacks(&runs);
  view_.threads = false;
  Select(tree_.AddFolderOfFiles("other", {"b.txt"}));
  Pack(tree_.Path("out.kzf"));

  EXPECT_EQ(presenter_.rows(), rows);
  EXPECT_EQ(view_.shownRows, rows);
  EXPECT_EQ(runs, 0);
  ASSERT_EQ(prompts_.messages.size(), 2u);
  for (const auto& message : prompts_.messages) {
    EXPECT_EQ(message.text, messages::kCantStartThread);
    EXPECT_EQ(message.informative, "none");
  }
}

TEST_F(PresenterTest, EmptyBasePathIsRefusedAfterTheSaveDialog) {
  Select(MakeFolder({"my file.txt"}));
  int runs = 0;
  CountPacks(&runs);
  view_.basePath.clear();
  const std::string archive = tree_.Path("out.kzf");
  Pack(archive);

  EXPECT_EQ(prompts_.log, (Strings{"folder", "save", "message"}));
  EXPECT_EQ(prompts_.texts(), Strings{messages::kEmptyBasePath});
  EXPECT_EQ(runs, 0);

  // A blank is a base path like any other.
  presenter_.SetPackFunction([](const PackRequest& request,
                                PackObserver* observer) {
    return CArchiveWriter().Pack(request, observer);
  });
  view_.basePath = " ";
  Pack(archive);
  EXPECT_EQ(prompts_.texts().back(), messages::kDone);
  EXPECT_EQ(Read(archive),
            test::BuildArchive({test::Stored(" file.txt", "content of my file.txt")}));
}

TEST_F(PresenterTest, FailedPackShowsTheEnginesMessageAndTheRowsStay) {
  const std::string archive = tree_.Path("out.kzf");
  Pack(archive);  // nothing selected
  const std::string folder = MakeFolder({"a.txt", "gone.txt", "level.dat"});
  Select(folder);
  const std::string gone = tree_.Path("data/gone.txt");
  std::filesystem::remove(test::PathOf(gone));
  Pack(archive);
  // A file being packed is never overwritten by the archive.
  const std::string level = tree_.Path("data/level.dat");
  Pack(level);

  ASSERT_EQ(prompts_.messages.size(), 3u);
  EXPECT_EQ(prompts_.messages[0].text, messages::kNoFiles);
  EXPECT_EQ(prompts_.messages[0].informative, "");
  EXPECT_EQ(prompts_.messages[1].text, messages::kCantReadFile);
  EXPECT_EQ(prompts_.messages[1].informative,
            gone + ": " + test::NoSuchFileReason());
  EXPECT_EQ(prompts_.messages[2].text, messages::kArchiveReplacesSource);
  EXPECT_EQ(prompts_.messages[2].informative, level);
  EXPECT_FALSE(Exists(archive));
  EXPECT_EQ(Read(level), "content of level.dat");
  EXPECT_EQ(presenter_.rows().size(), 3u);
}

TEST_F(PresenterTest, ArchiveInsideTheFolderIsLeftOut) {
  // With a temporary file of the archive that a killed run left: left out,
  // named, and gone.
  const std::string folder =
      MakeFolder({"a.txt", "level1.dat", ".game.kzf.kzf-tmp-Ab12cZ34xy"});
  const std::string leftover = tree_.Path("data/.game.kzf.kzf-tmp-Ab12cZ34xy");
  const std::string archive = tree_.Path("data/game.kzf");
  Select(folder);
  Pack(archive);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].informative,
            std::string(messages::kLeftOutTemporaryFile) + "\n" + leftover);
  EXPECT_FALSE(Exists(leftover));
  const std::string first = Read(archive);
  // Selected again, the list holds the archive; packing over it leaves it
  // out, run after run.
  for (int run = 0; run < 2; ++run) {
    Select(folder);
    EXPECT_EQ(presenter_.rows().size(), 3u);
    Pack(archive);
    EXPECT_EQ(Read(archive), first);
  }
  EXPECT_EQ(Read(archive),
            test::BuildArchive({test::Stored("data/a.txt", "content of a.txt"),
                                test::Stored("data/level1.dat",
                                             "content of level1.dat")}));
  EXPECT_EQ(prompts_.texts(), Strings(3, messages::kDone));
  EXPECT_EQ(prompts_.messages[2].informative, "");
}

TEST_F(PresenterTest, UnreadableFoldersAreNamedAfterTheScan) {
  if (test::OnWindows()) GTEST_SKIP() << "folders too deep to open are POSIX's";
  const std::string deep = tree_.AddTooDeepFolder("data/deep");
  Select(MakeFolder({"a.txt"}));
  // The list keeps what was found.
  EXPECT_EQ(presenter_.rows(), Strings{tree_.Path("data/a.txt")});
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, messages::kUnreadableFolder);
  EXPECT_EQ(prompts_.messages[0].informative, deep + ": File name too long");
}

TEST_F(PresenterTest, NamedFolderIsListedByItsFullPathOrRefused) {
  MakeFolder({"b.txt", "a.txt"});
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(test::PathOf(tree_.root()));
  presenter_.OpenFolder("data");
  const Strings listed = presenter_.rows();
  const std::string file = test::NativePath(test::PathOf("data/a.txt"));
  presenter_.OpenFolder("missing");
  presenter_.OpenFolder(file);
  std::filesystem::current_path(previous);

  EXPECT_EQ(listed,
            (Strings{tree_.Path("data/a.txt"), tree_.Path("data/b.txt")}));
  EXPECT_EQ(presenter_.rows(), listed);
  ASSERT_EQ(prompts_.messages.size(), 2u);
  EXPECT_EQ(prompts_.messages[0].text, messages::kCantOpenFolder);
  EXPECT_EQ(prompts_.messages[0].informative,
            "missing: " + test::NoSuchFileReason());
  EXPECT_EQ(prompts_.messages[1].text, messages::kNotAFolder);
  EXPECT_EQ(prompts_.messages[1].informative, file);
}

TEST_F(PresenterTest, HintShowsTheStoredNameUnderTheBasePath) {
  Select(MakeFolder({"sub/a.txt"}));
  const struct {
    std::string basePath;
    std::string hint;
  } cases[] = {
      {"data/", "Stored as data/sub/a.txt"},
      {"sub/", "Stored as sub/a.txt"},
      {"elsewhere/", messages::kBasePathNotFound},
      {"", messages::kNoBasePathForHint},
  };
  for (const auto& c : cases) {
    view_.basePath = c.basePath;
    EXPECT_EQ(presenter_.StoredNameHint(0), c.hint) << c.basePath;
  }
  EXPECT_EQ(presenter_.StoredNameHint(1), "");
}

TEST_F(PresenterTest, NonAsciiNamePacksAsTheArchiveSpellsIt) {
  // "café.txt": its bytes on POSIX are the file system's (Latin-1 here);
  // on Windows the name is UTF-8 inside the program and code page 1252 in
  // the archive.
  const std::string name = test::OnWindows() ? "caf\xc3\xa9.txt" : "caf\xe9.txt";
  if (test::OnWindows() && test::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "the ANSI code page is not 1252";
  }
  Select(MakeFolder({name}));
  EXPECT_EQ(presenter_.rows(), Strings{tree_.Path("data/" + name)});
  view_.compress = false;
  const std::string archive = tree_.Path("out.kzf");
  Pack(archive);
  EXPECT_EQ(Read(archive), test::BuildArchive({test::Stored(
                               "data/caf\xe9.txt", "content of " + name)}));
  EXPECT_EQ(presenter_.StoredNameHint(0), "Stored as data/" + name);
}

TEST_F(PresenterTest, NamesTheCodePageCantSpellAreNamedAllAtOnce) {
  if (!test::OnWindows()) GTEST_SKIP() << "POSIX stores a name's own bytes";
  if (test::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "the ANSI code page is not 1252";
  }
  // Eleven files whose names begin with Ж, which code page 1252 lacks: the
  // first ten are named, then how many more there are.
  Strings files = {"ok.txt"};
  std::string named;
  for (char c = 'a'; c <= 'k'; ++c) {
    files.push_back("\xD0\x96" + std::string(1, c) + ".txt");
    if (c <= 'j') named += tree_.Path("data/" + files.back()) + "\n";
  }
  Select(MakeFolder(files));
  const std::string archive = tree_.Path("out.kzf");
  Pack(archive);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, messages::kNotInCodePage);
  EXPECT_EQ(prompts_.messages[0].informative, named + "and 1 more");
  EXPECT_FALSE(Exists(archive));
}

}  // namespace
}  // namespace varnok
