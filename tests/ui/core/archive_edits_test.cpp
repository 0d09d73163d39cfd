// The archive window's changes to its archive: what a drop does and the
// names dropped files get, the folder a filter names, how an edited name is
// read, the questions, and each change written by the real engine through a
// runner that runs it at once, or refused, cancelled or declined with the
// archive left as it was.

#include "ui/core/archive_edits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "tests/archive/test_archive.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/scripted_prompts.h"
#include "ui/core/compress_choice.h"
#include "ui/core/window_messages.h"

namespace varnok {
namespace {

using Strings = std::vector<std::string>;

// Runs each change at once, on the calling thread; cancels it first when
// told to.
class InlineRunner : public EntryRunner {
 public:
  Status RunInBackground(CRunMonitor& monitor,
                         const std::function<void()>& run) override {
    if (cancel) monitor.Cancel();
    run();
    return Status::Ok();
  }
  void ChangeTable(const std::function<void()>& change) override { change(); }

  bool cancel = false;
};

class ArchiveEditsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<test::TestEntry> entries;
    for (const char* name : kNames) {
      entries.push_back(test::Deflated(name, test::Text(300)));
    }
    test::WriteFile(archive_, test::BuildArchive(entries));
    ASSERT_TRUE(table_.Open(archive_.string()).ok());
    ChooseCompress(false);
  }

  // A file of the given bytes in the temporary folder; its path.
  std::string File(const std::string& path, const std::string& bytes) {
    const std::filesystem::path full = temp_.path() / "drop" / path;
    std::filesystem::create_directories(full.parent_path());
    test::WriteFile(full, bytes);
    return full.string();
  }

  // The stored names of the archive as it is now, in its order.
  Strings Names() const {
    CArchiveReader reader;
    EXPECT_TRUE(reader.Open(archive_.string()).ok());
    Strings names;
    for (const ArchiveEntry& entry : reader.entries()) {
      names.push_back(entry.name);
    }
    return names;
  }

  // The selected rows' names.
  Strings Selected() const {
    Strings names;
    for (const size_t row : table_.SelectedRows()) {
      names.push_back(table_.Text(row, ArchiveColumn::kName));
    }
    return names;
  }

  void Select(const std::string& name) {
    const std::optional<size_t> entry = table_.reader().FindEntry(name);
    ASSERT_TRUE(entry.has_value()) << name;
    const std::optional<size_t> row = table_.RowOf(*entry);
    ASSERT_TRUE(row.has_value()) << name;
    table_.SelectRows(*row, *row, true);
  }

  size_t EntryOf(const std::string& name) {
    return *table_.reader().FindEntry(name);
  }

  static constexpr const char* kNames[] = {
      "data/main.lua", "data/maps/forest.map", "data/maps/lake.map",
      "data/textures/hero.png"};
  test::TempFolder temp_;
  const std::filesystem::path archive_ = temp_.path() / "mod.kzf";
  CArchiveTable table_;
  test::ScriptedWindowPrompts prompts_;
  InlineRunner runner_;
  CArchiveEdits edits_{table_, prompts_, runner_};
};

TEST_F(ArchiveEditsTest, ArchivesAloneOpenAndAnyOtherDropAdds) {
  const std::string archive = archive_.string();
  const std::string file = File("notes.txt", "text");
  const std::string folder = (temp_.path() / "drop").string();
  EXPECT_EQ(UseOfDrop({archive, archive}), DropUse::kOpen);
  EXPECT_EQ(UseOfDrop({archive, file}), DropUse::kAdd);
  EXPECT_EQ(UseOfDrop({folder}), DropUse::kAdd);
}

TEST_F(ArchiveEditsTest, TheFilterNamesTheFolderFilesAreAddedTo) {
  const struct {
    const char* filter;
    const char* folder;
  } cases[] = {
      {"", ""},
      {"maps", ""},
      {"data/maps/", "data/maps/"},
      {"data/maps/*.map", "data/maps/"},
      {"data/*/x?.png", "data/"},
      {"**/maps/*.map", ""},
      {"*.png", ""},
  };
  for (const auto& c : cases) {
    table_.SetFilter(c.filter);
    EXPECT_EQ(table_.FilterFolder(), c.folder) << c.filter;
  }
}

TEST_F(ArchiveEditsTest, DroppedFilesAndFoldersAreNamedBeneathTheFolder) {
  const std::string file = File("hero.png", "png");
  File("maps/b.map", "b");
  File("maps/sub/a.map", "a");
  const std::string folder = (temp_.path() / "drop" / "maps").string();
  const struct {
    Strings paths;
    const char* beneath;
    Strings names;
  } cases[] = {
      {{file}, "", {"hero.png"}},
      {{file}, "data/textures/", {"data/textures/hero.png"}},
      {{folder, file},
       "data/",
       {"data/maps/b.map", "data/maps/sub/a.map", "data/hero.png"}},
      {{folder + "/"}, "", {"maps/b.map", "maps/sub/a.map"}},
  };
  for (const auto& c : cases) {
    std::vector<EditRequest::File> files;
    ASSERT_TRUE(FilesToAdd(c.paths, c.beneath, nullptr, &files).ok());
    Strings names;
    for (const EditRequest::File& added : files) names.push_back(added.name);
    EXPECT_EQ(names, c.names) << c.beneath;
  }
  std::vector<EditRequest::File> files;
  EXPECT_EQ(FilesToAdd({File("x", "") + "-gone"}, "", nullptr, &files)
                .message(),
            messages::kCantOpenFile);
}

TEST_F(ArchiveEditsTest, AnEditedNameRenamesTheEntryOrTheFolderEdited) {
  const struct {
    const char* name;
    const char* text;
    const char* from;
    const char* to;
  } cases[] = {
      {"data/maps/forest.map", "data/maps/woods.map", "data/maps/forest.map",
       "data/maps/woods.map"},
      {"data/maps/forest.map", "data/levels/woods.map",
       "data/maps/forest.map", "data/levels/woods.map"},
      {"data/maps/forest.map", "data/levels/forest.map", "data/maps/",
       "data/levels/"},
      {"a/b/c/x", "a/B/c/x", "a/b/", "a/B/"},
      {"maps/x.map", "x.map", "maps/", ""},
      {"x.map", "maps/x.map", "x.map", "maps/x.map"},
      {"data/x.map", "data\\y.map", "data/x.map", "data/y.map"},
      {"data/x.map", "data/x.map", "data/x.map", "data/x.map"},
  };
  for (const auto& c : cases) {
    EditRequest::Rename rename;
    ASSERT_TRUE(RenameOf(c.name, c.text, &rename).ok()) << c.text;
    EXPECT_EQ(rename.from, c.from) << c.text;
    EXPECT_EQ(rename.to, c.to) << c.text;
  }
  EditRequest::Rename rename;
  EXPECT_EQ(RenameOf("data/x.map", "", &rename).message(),
            window_messages::kEmptyName);
}

TEST_F(ArchiveEditsTest, TheQuestionsNameTheFirstFilesAndWhatTheyReplace) {
  std::vector<EditRequest::File> files;
  for (int i = 0; i < 7; ++i) {
    files.push_back({"p", "data/f" + std::to_string(i), false});
  }
  EditOutcome planned;
  planned.replaced = {"data/f0", "data/f1"};
  for (const bool compress : {false, true}) {
    const Message question = AddQuestion("mod.kzf", files, planned, compress);
    EXPECT_EQ(question.text, "Add 7 files to mod.kzf?");
    const std::string& info = question.informative;
    EXPECT_NE(info.find("data/f4"), std::string::npos);
    EXPECT_EQ(info.find("data/f5"), std::string::npos);
    EXPECT_NE(info.find("Replacing 2 entries:\ndata/f0\ndata/f1"),
              std::string::npos);
    EXPECT_NE(info.find(compress ? window_messages::kAddedDeflated
                                 : window_messages::kAddedStored),
              std::string::npos);
  }
  planned.replaced.clear();
  EXPECT_EQ(AddQuestion("mod.kzf", files, planned, false)
                .informative.find("Replacing"),
            std::string::npos);
  EXPECT_EQ(DeleteQuestion("mod.kzf", {"data/a", "data/b"}).text,
            "Delete 2 entries from mod.kzf?");
}

TEST_F(ArchiveEditsTest, EachChangeIsWrittenAndShownWithItsSelection) {
  const std::string png = File("hero.png", test::Text(50));
  const std::string map = File("cave.map", test::Text(60));
  const struct {
    const char* what;
    std::function<void()> change;
    Strings names;
    Strings selected;
    const char* message;
  } cases[] = {
      {"add into the filter's folder",
       [&] {
         table_.SetFilter("data/maps/");
         edits_.Add({map});
       },
       {"data/main.lua", "data/maps/cave.map", "data/maps/forest.map",
        "data/maps/lake.map", "data/textures/hero.png"},
       {"data/maps/cave.map"},
       "mod.kzf changed: 1 added"},
      {"replace",
       [&] {
         table_.SetFilter("data/textures/*");
         edits_.Add({png});
       },
       {"data/main.lua", "data/maps/cave.map", "data/maps/forest.map",
        "data/maps/lake.map", "data/textures/hero.png"},
       {"data/textures/hero.png"},
       "mod.kzf changed: 1 replaced"},
      {"delete",
       [&] {
         table_.SetFilter("");
         Select("data/main.lua");
         Select("data/maps/lake.map");
         edits_.DeleteSelected();
       },
       {"data/maps/cave.map", "data/maps/forest.map",
        "data/textures/hero.png"},
       {},
       "mod.kzf changed: 2 deleted"},
      {"rename a folder",
       [&] {
         edits_.Rename(EntryOf("data/maps/cave.map"), "data/levels/cave.map");
       },
       {"data/levels/cave.map", "data/levels/forest.map",
        "data/textures/hero.png"},
       {"data/levels/cave.map", "data/levels/forest.map"},
       "mod.kzf changed: 2 renamed"},
  };
  for (const auto& c : cases) {
    prompts_.messages.clear();
    table_.ClearSelection();
    c.change();
    EXPECT_EQ(Names(), c.names) << c.what;
    EXPECT_EQ(table_.entries().size(), c.names.size()) << c.what;
    EXPECT_EQ(Selected(), c.selected) << c.what;
    ASSERT_FALSE(prompts_.messages.empty()) << c.what;
    EXPECT_EQ(prompts_.messages.back().substr(0, std::string(c.message).size()),
              c.message)
        << c.what << ": " << prompts_.messages.back();
  }
}

TEST_F(ArchiveEditsTest, RefusedDeclinedOrCancelledChangesLeaveTheArchive) {
  const std::string before = test::ReadFile(archive_);
  const std::string file = File("new.txt", "new");
  const size_t forest = EntryOf("data/maps/forest.map");
  const struct {
    const char* what;
    std::function<void()> change;
    const char* message;  // the first line of the last message
  } cases[] = {
      {"a name taken", [&] { edits_.Rename(forest, "data/main.lua"); },
       messages::kNameInArchive},
      {"an unsafe name", [&] { edits_.Rename(forest, "../forest.map"); },
       messages::kUnsafeStoredName},
      {"an empty name", [&] { edits_.Rename(forest, ""); },
       window_messages::kEmptyName},
      {"an add declined",
       [&] {
         prompts_.confirm = false;
         edits_.Add({file});
       },
       "Add 1 file to mod.kzf?"},
      {"a delete declined",
       [&] {
         Select("data/main.lua");
         edits_.DeleteSelected();
       },
       "Delete 1 entry from mod.kzf?"},
      {"a cancelled run",
       [&] {
         prompts_.confirm = true;
         runner_.cancel = true;
         edits_.DeleteSelected();
       },
       "Cancelled: mod.kzf is as it was"},
  };
  for (const auto& c : cases) {
    prompts_.messages.clear();
    c.change();
    ASSERT_FALSE(prompts_.messages.empty()) << c.what;
    const std::string& last = prompts_.messages.back();
    EXPECT_EQ(last.substr(0, last.find('\n')), c.message) << c.what;
    EXPECT_EQ(test::ReadFile(archive_), before) << c.what;
  }
  EXPECT_EQ(Selected(), Strings{"data/main.lua"});
}

}  // namespace
}  // namespace varnok
