#include "archive/archive_extractor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "tests/archive/test_archive.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::Deflated;
using test::Stored;
using test::TempFolder;

// Each entry told of, with "OK" or its failure.
using Told = std::vector<std::pair<size_t, std::string>>;

// What a run told, in the order told; cancels once it has heard
// cancelAfter entries.
class Recorder : public EntryObserver {
 public:
  explicit Recorder(size_t cancelAfter = SIZE_MAX) : cancelAfter_(cancelAfter) {}
  void EntryDone(size_t index, const Status& status) override {
    told.emplace_back(index, status.ok() ? "OK" : status.ToString());
    ++heard_;
  }
  bool Cancelled() override { return heard_ >= cancelAfter_; }

  Told told;

 private:
  const size_t cancelAfter_;
  std::atomic<size_t> heard_{0};
};

// Every file beneath folder with its bytes; folders are left out.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_directory()) continue;
    files[fs::relative(entry.path(), folder).generic_string()] =
        test::ReadFile(entry.path());
  }
  return files;
}

class ArchiveExtractorTest : public ::testing::Test {
 protected:
  // Opens an archive of entries, with the bytes of entry damaged (if any)
  // flipped.
  void Open(const std::vector<test::TestEntry>& entries,
            size_t damaged = SIZE_MAX) {
    std::string bytes = test::BuildArchive(entries);
    if (damaged != SIZE_MAX) {
      CArchiveReader probe;
      test::WriteFile(folder_.path() / "a.kzf", bytes);
      ASSERT_TRUE(probe.Open((folder_.path() / "a.kzf").string()).ok());
      bytes[probe.entries()[damaged].record.dataOffset + 1] ^= 0x10;
    }
    test::WriteFile(folder_.path() / "a.kzf", bytes);
    ASSERT_TRUE(reader_.Open((folder_.path() / "a.kzf").string()).ok());
  }
  std::vector<size_t> All() const {
    std::vector<size_t> all(reader_.entries().size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
  }
  // Extracts every entry beneath out; what the run told.
  Told Extract(const fs::path& out, const ExtractOptions& options,
                   size_t cancelAfter = SIZE_MAX) {
    Recorder recorder(cancelAfter);
    EXPECT_TRUE(CArchiveExtractor(reader_, options)
                    .Run(out.string(), All(), recorder)
                    .ok());
    return recorder.told;
  }

  TempFolder folder_;
  CArchiveReader reader_;
};

// Many files of all sizes over a few folders, one of them damaged, one
// repeated, one unsafe.
std::vector<test::TestEntry> Game(std::map<std::string, std::string>* good) {
  std::vector<test::TestEntry> entries;
  for (unsigned i = 0; i < 80; ++i) {
    const std::string name =
        "data/f" + std::to_string(i % 7) + "/e" + std::to_string(i) + ".txt";
    const std::string content = test::Text(i % 10 == 0 ? 70000 : i * 37, i);
    entries.push_back(i % 2 ? Stored(name, content) : Deflated(name, content));
    if (i != 50) (*good)[name] = content;
  }
  entries.push_back(Stored("data/f3/e3.txt", "again"));
  entries.push_back(Stored("../escaped", "x"));
  return entries;
}

TEST_F(ArchiveExtractorTest, TellsInOrderAndWritesOneTreeWhateverTheThreads) {
  std::map<std::string, std::string> good;
  Open(Game(&good), 50);
  const struct {
    unsigned jobs;
    size_t maxAhead;
  } runs[] = {{1, 1024}, {2, 1024}, {4, 3}, {3, 1}};
  Told firstTold, firstVerified;
  for (const auto& run : runs) {
    SCOPED_TRACE("jobs " + std::to_string(run.jobs));
    ExtractOptions options;
    options.jobs = run.jobs;
    options.maxAhead = run.maxAhead;
    const fs::path out = folder_.path() / ("out" + std::to_string(run.jobs));
    // Twice: new files, then files that replace them, in batches.
    for (int pass = 0; pass < 2; ++pass) {
      const Told told = Extract(out, options);
      ASSERT_EQ(told.size(), All().size());
      for (size_t i = 0; i < told.size(); ++i) {
        ASSERT_EQ(told[i].first, i);
        const bool bad = i == 50 || i >= 80;
        EXPECT_EQ(told[i].second == "OK", !bad) << i;
      }
      if (firstTold.empty()) firstTold = told;
      EXPECT_EQ(told, firstTold);
      EXPECT_TRUE(Tree(out) == good);
    }
    Recorder verified;
    VerifyEntries(reader_, All(), run.jobs, verified, run.maxAhead);
    if (firstVerified.empty()) firstVerified = verified.told;
    EXPECT_EQ(verified.told, firstVerified);
    for (size_t i = 0; i < verified.told.size(); ++i) {
      EXPECT_EQ(verified.told[i].second == "OK", i != 50) << i;
    }
  }
}

TEST_F(ArchiveExtractorTest, ACancelledRunTellsWhatItWroteAndNothingMore) {
  std::map<std::string, std::string> good;
  Open(Game(&good));
  ExtractOptions options;
  options.jobs = 3;
  options.maxAhead = 4;
  const fs::path out = folder_.path() / "out";
  const Told told = Extract(out, options, 10);
  // Each thread may have begun one entry before it heard of the cancel,
  // within the entries it may run ahead.
  ASSERT_GE(told.size(), 10u);
  ASSERT_LT(told.size(), 10u + 3 + 4);
  std::map<std::string, std::string> written;
  for (size_t i = 0; i < told.size(); ++i) {
    ASSERT_EQ(told[i], std::make_pair(i, std::string("OK")));
    const std::string& name = reader_.entries()[i].name;
    written[name] = good[name];
  }
  EXPECT_TRUE(Tree(out) == written);
}

TEST_F(ArchiveExtractorTest, FirstOfARepeatedNameWinsWithOrWithoutFolders) {
  Open({Stored("a/x.txt", "1"), Stored("b/x.txt", "2"),
        Stored("a//x.txt", "3"), Stored("../y", "4"), Stored("c/y", "5")});
  const struct {
    bool withoutFolders;
    std::map<std::string, std::string> tree;
    std::vector<const char*> told;
  } cases[] = {
      {false,
       {{"a/x.txt", "1"}, {"b/x.txt", "2"}, {"c/y", "5"}},
       {"OK", "OK", messages::kRepeatedName, messages::kUnsafeName, "OK"}},
      {true,
       {{"x.txt", "1"}, {"y", "5"}},
       {"OK", messages::kRepeatedName, messages::kRepeatedName,
        messages::kUnsafeName, "OK"}},
  };
  for (const auto& c : cases) {
    ExtractOptions options;
    options.jobs = 2;
    options.withoutFolders = c.withoutFolders;
    const fs::path out =
        folder_.path() / (c.withoutFolders ? "flat" : "deep");
    const Told told = Extract(out, options);
    ASSERT_EQ(told.size(), c.told.size());
    for (size_t i = 0; i < c.told.size(); ++i) {
      EXPECT_EQ(told[i].second.rfind(c.told[i], 0), 0u) << told[i].second;
    }
    EXPECT_TRUE(Tree(out) == c.tree);
  }
}

}  // namespace
}  // namespace varnok
