// The archive window's table over small archives built here: opening,
// sorting, the filter and the totals.

#include "ui/core/archive_table.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/sizes.h"
#include "tests/archive/test_archive.h"
#include "tests/support/temp_folder.h"

namespace varnok {
namespace {

using test::Deflated;
using test::Stored;

// An archive of five entries whose every column orders them differently.
class ArchiveTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (temp_.path() / "mod.kzf").string();
    test::WriteFile(path_, test::BuildArchive({
                               Stored("data/maps/b.map", std::string(300, 'b')),
                               Deflated("data/Readme.TXT", test::Text(5000)),
                               Stored("data/empty", ""),
                               Deflated("data/maps/a.map", test::Text(900, 3)),
                               Stored("data/sounds/x.ogg", "ogg!"),
                           }));
    ASSERT_TRUE(table_.Open(path_).ok());
  }

  // The rows' names, as the table shows them.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (size_t row = 0; row < table_.rowCount(); ++row) {
      names.push_back(table_.Text(row, ArchiveColumn::kName));
    }
    return names;
  }

  test::TempFolder temp_;
  std::string path_;
  CArchiveTable table_;
};

const std::vector<std::string> kArchiveOrder = {
    "data/maps/b.map", "data/Readme.TXT", "data/empty", "data/maps/a.map",
    "data/sounds/x.ogg"};

TEST_F(ArchiveTableTest, SortsByEachColumnThenReversesThenRestores) {
  // Equal values (the stored entries' ratio of 100%, a method) keep archive
  // order either way; an empty entry has no ratio and counts as the least.
  const struct {
    ArchiveColumn column;
    std::vector<std::string> ascending, descending;
  } cases[] = {
      {ArchiveColumn::kName,
       {"data/Readme.TXT", "data/empty", "data/maps/a.map", "data/maps/b.map",
        "data/sounds/x.ogg"},
       {"data/sounds/x.ogg", "data/maps/b.map", "data/maps/a.map",
        "data/empty", "data/Readme.TXT"}},
      {ArchiveColumn::kSize,
       {"data/empty", "data/sounds/x.ogg", "data/maps/b.map",
        "data/maps/a.map", "data/Readme.TXT"},
       {"data/Readme.TXT", "data/maps/a.map", "data/maps/b.map",
        "data/sounds/x.ogg", "data/empty"}},
      {ArchiveColumn::kRatio,
       {"data/empty", "data/Readme.TXT", "data/maps/a.map", "data/maps/b.map",
        "data/sounds/x.ogg"},
       {"data/maps/b.map", "data/sounds/x.ogg", "data/maps/a.map",
        "data/Readme.TXT", "data/empty"}},
      {ArchiveColumn::kMethod,
       {"data/maps/b.map", "data/empty", "data/sounds/x.ogg",
        "data/Readme.TXT", "data/maps/a.map"},
       {"data/Readme.TXT", "data/maps/a.map", "data/maps/b.map",
        "data/empty", "data/sounds/x.ogg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.column));
    table_.SortBy(c.column);
    EXPECT_EQ(Names(), c.ascending);
    table_.SortBy(c.column);
    EXPECT_EQ(Names(), c.descending);
    table_.SortBy(c.column);
    EXPECT_EQ(Names(), kArchiveOrder);
    EXPECT_EQ(table_.sortOrder().column, std::nullopt);
  }
  table_.SortBy(ArchiveColumn::kSize);
  table_.SortBy(ArchiveColumn::kName);  // another column starts ascending
  EXPECT_FALSE(table_.sortOrder().descending);
  table_.RestoreArchiveOrder();
  EXPECT_EQ(Names(), kArchiveOrder);
}

TEST_F(ArchiveTableTest, FiltersByPartOrPatternAndKeepsTheSortOrder) {
  const struct {
    std::string filter;
    std::vector<std::string> shown;
  } cases[] = {
      {"", kArchiveOrder},
      {"README", {"data/Readme.TXT"}},
      {"maps/", {"data/maps/b.map", "data/maps/a.map"}},
      {"*.map", {"data/maps/b.map", "data/maps/a.map"}},
      {"data/*", kArchiveOrder},  // a folder's pattern takes what it holds
      {"data/*.map", {}},
      {"data/**/*.ogg", {"data/sounds/x.ogg"}},
      {"?ata/empty", {"data/empty"}},
      {"*.TXT", {"data/Readme.TXT"}},
      {"*.txt", {}},  // patterns compare bytes exactly
      {"nothing", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    table_.SetFilter(c.filter);
    EXPECT_EQ(Names(), c.shown);
    EXPECT_EQ(table_.filtered(), c.shown.size() != kArchiveOrder.size());
    for (size_t row = 0; row < table_.rowCount(); ++row) {
      EXPECT_EQ(table_.RowOf(table_.EntryAt(row)), row);
    }
  }
  table_.SetFilter("maps");
  table_.SortBy(ArchiveColumn::kName);
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"data/maps/a.map", "data/maps/b.map"}));
  EXPECT_EQ(table_.RowOf(1), std::nullopt);  // data/Readme.TXT is hidden

  // The selection outlives a filter that hides part of it.
  table_.RestoreArchiveOrder();
  table_.SetFilter("");
  table_.SelectRows(0, 1, true);  // data/maps/b.map, data/Readme.TXT
  table_.SetFilter("maps");
  EXPECT_EQ(table_.SelectedRows(), std::vector<size_t>{0});
  table_.SelectRows(1, 1, true);  // data/maps/a.map
  table_.SelectRows(0, 0, false);
  table_.SetFilter("");
  EXPECT_EQ(table_.SelectedRows(), (std::vector<size_t>{1, 3}));
}

TEST_F(ArchiveTableTest, ShowsColumnsAndTotalsOfAllShownAndSelected) {
  const std::vector<std::string> first = {
      "data/maps/b.map", "300 B", "300 B", "100.0%", "stored",
      (std::ostringstream() << std::hex << std::setw(8) << std::setfill('0')
                            << test::Crc32(std::string(300, 'b')))
          .str()};
  for (int column = 0; column < kArchiveColumnCount; ++column) {
    EXPECT_EQ(table_.Text(0, static_cast<ArchiveColumn>(column)),
              first[column]);
  }
  EXPECT_EQ(table_.Text(2, ArchiveColumn::kRatio), "-");
  EXPECT_EQ(table_.Text(1, ArchiveColumn::kMethod), "deflated");
  const uint64_t packed = table_.entries()[1].record.packedSize +
                          table_.entries()[3].record.packedSize + 304;
  EXPECT_EQ(table_.AllTotals().size, 300u + 5000 + 0 + 900 + 4);
  EXPECT_EQ(table_.AllTotals().packed, packed);
  EXPECT_EQ(table_.ShownText(),
            "5 entries, 6.1 KiB (" + FormatSize(packed) + " packed)");
  EXPECT_EQ(table_.SelectionText({}), "");

  table_.SetFilter("*.map");
  EXPECT_EQ(table_.ShownTotals().size, 1200u);
  EXPECT_EQ(table_.ShownText().substr(0, 31),
            "2 of 5 entries shown, 1.2 KiB (");
  EXPECT_EQ(table_.SelectionText({1}),
            "Selected: 1 entry, 900 B (" +
                FormatSize(table_.entries()[3].record.packedSize) +
                " packed)");
  EXPECT_EQ(table_.NamesText({1, 0}), "data/maps/a.map\ndata/maps/b.map\n");
  EXPECT_EQ(table_.Title(), "mod.kzf - Varnok");
}

TEST(ArchiveTableOpenTest, RefusesBadArchivesNamingThemAndKeepsTheTable) {
  test::TempFolder temp;
  const std::string good = (temp.path() / "good.kzf").string();
  test::WriteFile(good, test::BuildArchive({Stored("data/a", "a")}));
  std::string damaged = test::BuildArchive({Stored("data/a", "a")});
  damaged.pop_back();
  const struct {
    std::string name;
    std::string bytes;  // none: no file at all
    const char* message;
  } cases[] = {
      {"damaged.kzf", damaged, messages::kDamagedArchive},
      {"notes.txt", "just some text, not an archive", messages::kNotAnArchive},
      {"missing.kzf", "", messages::kCantOpenArchive},
  };
  CArchiveTable table;
  ASSERT_TRUE(table.Open(good).ok());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = (temp.path() / c.name).string();
    if (!c.bytes.empty()) test::WriteFile(path, c.bytes);
    const Status status = table.Open(path);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.message(), c.message);
    EXPECT_EQ(status.detail(), path);
    EXPECT_FALSE(status.reason().empty());
    EXPECT_EQ(table.rowCount(), 1u);
    EXPECT_EQ(table.Title(), "good.kzf - Varnok");
  }
}

TEST(ArchiveTableOpenTest, TakesDroppedFilesByNameOrMagic) {
  test::TempFolder temp;
  const std::string archive = test::BuildArchive({Stored("data/a", "a")});
  const struct {
    std::string name;
    std::string bytes;  // none: a folder
    bool taken;
  } cases[] = {
      {"mod.kzf", archive, true},
      {"MOD.KZF", "damaged, yet named as an archive", true},
      {"renamed.dat", archive, true},
      {"notes.txt", "kzf", false},  // shorter than the magic
      {"sub.kzf", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = temp.path() / c.name;
    if (c.bytes.empty()) {
      std::filesystem::create_directory(path);
    } else {
      test::WriteFile(path, c.bytes);
    }
    EXPECT_EQ(TakesForArchive(path.string()), c.taken);
  }
  EXPECT_FALSE(TakesForArchive((temp.path() / "missing.kzf").string()));
}

}  // namespace
}  // namespace varnok
