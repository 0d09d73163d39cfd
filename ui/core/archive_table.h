// The archive window's table: an open archive's entries as rows, their
// columns' texts, their order, the filter and the totals.
//
// Rows are indices into the reader's entries, kept in the order shown; the
// texts are made on demand, a row at a time, so that an archive of 65535
// entries opens, sorts and filters without making 400,000 strings. A face
// asks for row i's column j as its list draws it (a Qt model's data(), a
// Win32 owner-data list view's LVN_GETDISPINFO).
//
// Names and texts are spelt as the platform layer spells paths; a stored
// name is shown as DisplayName gives it.

#ifndef VARNOK_UI_CORE_ARCHIVE_TABLE_H_
#define VARNOK_UI_CORE_ARCHIVE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "base/path_pattern.h"
#include "base/status.h"

namespace varnok {

// True when a file dropped on a window is to be opened as an archive: its
// name ends in ".kzf" (in any case), or its first bytes are an archive's
// magic. Folders and other files are not taken.
bool TakesForArchive(const std::string& path);

enum class ArchiveColumn { kName, kSize, kPacked, kRatio, kMethod, kCrc };
inline constexpr int kArchiveColumnCount = 6;

// How the rows are ordered: by a column, either way, or (no column) in
// archive order.
struct SortOrder {
  std::optional<ArchiveColumn> column;
  bool descending = false;
};

// Entries and their sizes, for the status line.
struct Totals {
  size_t entries = 0;
  uint64_t size = 0;
  uint64_t packed = 0;
};

class CArchiveTable {
 public:
  CArchiveTable();
  ~CArchiveTable();
  CArchiveTable(const CArchiveTable&) = delete;
  CArchiveTable& operator=(const CArchiveTable&) = delete;

  // Opens the archive at path with the reader, which checks its whole
  // layout first. On failure the table is as it was and the Status names
  // the file and the reader's reason (FailureMessage makes it a message).
  // On success every entry is a row, in archive order, with no filter.
  Status Open(const std::string& path);
  // Opens the same path again, after the archive was changed: the sort
  // order and the filter stay, the marks of damage go, and the entries
  // stored under the names given (as stored) are the selection. On failure
  // the table is as it was.
  Status Reopen(const std::vector<std::string>& selectedNames);

  // Closes the archive's file while it is being replaced: the rows stay,
  // but no entry can be read until Reopen.
  void CloseFile() { reader_->CloseFile(); }

  // The archive's path as given to Open, and its reader, for the commands
  // that read entries.
  const std::string& path() const { return path_; }
  CArchiveReader& reader() { return *reader_; }
  const std::vector<ArchiveEntry>& entries() const {
    return reader_->entries();
  }

  // The rows shown: the entries that pass the filter, in the sort order.
  size_t rowCount() const { return rows_.size(); }
  // The entry that row shows.
  size_t EntryAt(size_t row) const { return rows_[row]; }
  // The row that shows entry, or nothing when the filter hides it.
  std::optional<size_t> RowOf(size_t entry) const;
  // Row's text in column.
  std::string Text(size_t row, ArchiveColumn column) const;
  // True for the columns of numbers, which line up on the right.
  static bool AlignsRight(ArchiveColumn column);

  // Orders the rows by column: ascending at first, descending when the
  // rows are already ascending by it, and in archive order again when they
  // are descending by it. Equal values keep archive order.
  void SortBy(ArchiveColumn column);
  // Shows the rows in archive order again.
  void RestoreArchiveOrder();
  const SortOrder& sortOrder() const { return sort_; }

  // Shows only the entries whose stored names match text: a pattern when
  // it holds '*' or '?' (base/path_pattern.h, as kzf's --include reads
  // one), otherwise a part of the name, ASCII letters in either case. An
  // empty text shows every entry.
  void SetFilter(const std::string& text);
  bool filtered() const { return rows_.size() != entries().size(); }
  // The folder of the archive the filter names, as stored with its '/' at
  // the end: a filter that is a folder's name ("data/maps/"), or a pattern's
  // part before its first '*' or '?' up to its last '/' ("data/maps/*.map"
  // gives "data/maps/"). Empty for every other filter, or none.
  std::string FilterFolder() const;

  // The selection is kept by entry: an entry the filter hides stays
  // selected, and shows selected again when the filter lets it through.
  // Selects (or clears) the rows from first to last, both included.
  void SelectRows(size_t first, size_t last, bool selected);
  void ClearSelection();
  // The rows shown whose entries are selected, in row order.
  std::vector<size_t> SelectedRows() const;

  // Marks entry as damaged, for the reason given (a verification's).
  void MarkDamaged(size_t entry, const std::string& reason);
  void ClearDamage();
  // Why row's entry is damaged; empty when it is not known to be.
  std::string DamageOf(size_t row) const;

  // Totals of every entry, of the rows shown, and of the given rows.
  Totals AllTotals() const;
  Totals ShownTotals() const;
  Totals RowTotals(const std::vector<size_t>& rows) const;

  // The status line's texts: what is shown ("120 entries, 1.2 MiB (400.0
  // KiB packed)", or "3 of 120 entries shown, ..." under a filter), and
  // what of it is selected (empty when nothing is).
  std::string ShownText() const;
  std::string SelectionText(const std::vector<size_t>& rows) const;
  // The given rows' names, one a line, for the clipboard.
  std::string NamesText(const std::vector<size_t>& rows) const;
  // The window's title: "mod.kzf - Varnok".
  std::string Title() const;

 private:
  // Sorts order_ by sort_, then rebuilds rows_.
  void Reorder();
  // Makes rows_ the entries of order_ that pass the filter.
  void Refilter();
  bool PassesFilter(const std::string& name) const;

  std::unique_ptr<CArchiveReader> reader_;
  std::string path_;
  SortOrder sort_;
  // Every entry, in the sort order.
  std::vector<size_t> order_;
  // The entries shown, in the sort order, and the row of each entry
  // (kHidden for one the filter hides).
  std::vector<size_t> rows_;
  std::vector<size_t> rowOf_;
  std::vector<bool> selected_;       // by entry
  std::vector<std::string> damage_;  // by entry; empty until one is marked
  // The filter as stored names are spelt; then what it matches: a pattern,
  // or a lower-case part of names; none for all.
  std::string filterText_;
  std::string filterPart_;
  std::optional<PathPattern> filterPattern_;
  bool filterMatchesNothing_ = false;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_ARCHIVE_TABLE_H_
