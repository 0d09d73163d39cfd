// The edit engine's decisions and refusals, and what a cancel leaves.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_editor.h"
#include "base/messages.h"
#include "tests/archive/test_archive.h"
#include "tests/support/temp_folder.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

std::vector<ArchiveEntry> EntriesNamed(const std::vector<std::string>& names) {
  std::vector<ArchiveEntry> entries;
  for (const std::string& name : names) entries.push_back({{}, name});
  return entries;
}

TEST(RenamesForTest, AnEntryOrEveryEntryBeneathAFolder) {
  const std::vector<ArchiveEntry> entries = EntriesNamed(
      {"data/maps", "data/maps/a.map", "data/maps/sub/b.map", "data/mapsx/c"});
  struct Case {
    std::string from, to;
    std::vector<std::string> renamed;  // each from, then to; empty: refused
  };
  const std::vector<Case> cases = {
      {"data/maps", "data/m", {"data/maps", "data/m"}},
      {"data/maps/", "levels/",
       {"data/maps/a.map", "levels/a.map", "data/maps/sub/b.map",
        "levels/sub/b.map"}},
      {"data/maps/sub", "", {"data/maps/sub/b.map", "b.map"}},
      {"data/map", "x", {}},
      {"data/mapsx/", "y", {"data/mapsx/c", "y/c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    std::vector<EditRequest::Rename> renames;
    const Status status = RenamesFor(entries, c.from, c.to, &renames);
    std::vector<std::string> renamed;
    for (const auto& rename : renames) {
      renamed.push_back(rename.from);
      renamed.push_back(rename.to);
    }
    EXPECT_EQ(status.ok(), !c.renamed.empty()) << status.ToString();
    EXPECT_EQ(renamed, c.renamed);
  }
}

class ArchiveEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    archive_ = (folder_.path() / "x.kzf").string();
    bytes_ = test::BuildArchive({test::Stored("a", "1"), test::Stored("b", "2"),
                                 test::Deflated("c", test::Text(100000))});
    test::WriteFile(archive_, bytes_);
    file_ = (folder_.path() / "new.txt").string();
    test::WriteFile(file_, "new");
  }
  EditRequest Request() const {
    EditRequest request;
    request.archiveName = archive_;
    return request;
  }
  // The archive is as it was, and nothing lies beside it.
  void ExpectUntouched() const {
    EXPECT_EQ(test::ReadFile(archive_), bytes_);
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      (void)entry;
      ++files;
    }
    EXPECT_EQ(files, 2u);
  }

  test::TempFolder folder_;
  std::string archive_, file_, bytes_;
};

// Every request the engine refuses before writing, and the one it lets
// through that looks alike (a rename onto a name removed at once).
TEST_F(ArchiveEditorTest, ConflictingChangesAreRefused) {
  using Rename = EditRequest::Rename;
  struct Case {
    const char* what;
    EditRequest::File add;  // none when its name is empty
    std::vector<std::string> remove;
    std::vector<Rename> rename;
    const char* message;  // null: accepted
  };
  const std::vector<Case> cases = {
      {"add and remove", {file_, "a"}, {"a"}, {}, messages::kChangedTwice},
      {"remove and rename", {}, {"a"}, {{"a", "z"}}, messages::kChangedTwice},
      {"rename onto a kept name", {}, {}, {{"a", "b"}},
       messages::kNameInArchive},
      {"rename onto an added name", {file_, "z"}, {}, {{"a", "z"}},
       messages::kDuplicateStoredName},
      {"rename onto a removed name", {}, {"b"}, {{"a", "b"}}, nullptr},
      {"rename a missing name", {}, {}, {{"q", "r"}},
       messages::kNotFoundInArchive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditRequest request = Request();
    if (!c.add.name.empty()) request.add.push_back(c.add);
    request.remove = c.remove;
    request.rename = c.rename;
    EditOutcome outcome;
    const Status status = CArchiveEditor().Plan(request, &outcome);
    EXPECT_EQ(status.message(), c.message ? c.message : "") << status.ToString();
  }
  ExpectUntouched();
}

// The entry limit of a pack holds for an edit, and a cancel at any point
// leaves the archive as it was.
TEST_F(ArchiveEditorTest, LimitAndCancelLeaveTheArchive) {
  EditRequest request = Request();
  request.add.push_back({file_, "d"});
  EditOutcome outcome;
  PackLimits limits;
  limits.entryCount = 3;
  EXPECT_EQ(CArchiveEditor(1, limits).Apply(request, nullptr, &outcome).message(),
            messages::kTooManyFiles);
  ExpectUntouched();

  // Cancels once the given number of entries is written.
  class Canceller : public PackObserver {
   public:
    explicit Canceller(uint32_t after) : after_(after) {}
    bool OnProgress(const PackProgress& progress) override {
      return progress.entriesDone < after_;
    }

   private:
    const uint32_t after_;
  };
  for (uint32_t after : {1u, 3u}) {
    Canceller canceller(after);
    EXPECT_TRUE(CArchiveEditor().Apply(request, &canceller, &outcome)
                    .cancelled());
    ExpectUntouched();
  }
}

}  // namespace
}  // namespace varnok
