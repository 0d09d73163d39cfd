#include "ui/core/archive_table.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <numeric>
#include <string_view>
#include <unordered_set>

#include "base/sizes.h"
#include "platform/file_system.h"
#include "platform/read_file.h"
#include "ui/core/dialog_messages.h"
#include "ui/core/window_messages.h"

namespace varnok {
namespace {

constexpr size_t kHidden = std::numeric_limits<size_t>::max();

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

// True when name holds part (already in lower case), ASCII letters in
// either case.
bool HoldsPart(const std::string& name, const std::string& part) {
  return std::search(name.begin(), name.end(), part.begin(), part.end(),
                     [](char a, char b) { return LowerAscii(a) == b; }) !=
         name.end();
}

// Packed size as a share of size, for sorting; an empty entry, which has
// no ratio, comes first.
double RatioOf(const EntryRecord& record) {
  if (record.size == 0) return -1;
  return static_cast<double>(record.packedSize) /
         static_cast<double>(record.size);
}

// True when a comes before b in ascending order by column.
bool Before(const ArchiveEntry& a, const ArchiveEntry& b,
            ArchiveColumn column) {
  const EntryRecord& x = a.record;
  const EntryRecord& y = b.record;
  switch (column) {
    case ArchiveColumn::kName: return a.name < b.name;
    case ArchiveColumn::kSize: return x.size < y.size;
    case ArchiveColumn::kPacked: return x.packedSize < y.packedSize;
    case ArchiveColumn::kRatio: return RatioOf(x) < RatioOf(y);
    case ArchiveColumn::kMethod: return x.method < y.method;
    case ArchiveColumn::kCrc: return x.crc < y.crc;
  }
  return false;
}

std::string RatioText(const EntryRecord& record) {
  if (record.size == 0) return window_messages::kNoRatio;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", 100 * RatioOf(record));
  return text;
}

std::string TotalsText(const char* format, const Totals& totals) {
  return Substitute(format, {Count(totals.entries, "entry", "entries"),
                             FormatSize(totals.size),
                             FormatSize(totals.packed)});
}

}  // namespace

bool TakesForArchive(const std::string& path) {
  PathInfo info;
  std::string reason;
  if (!QueryPath(path, &info, &reason) || info.kind != PathKind::kFile) {
    return false;
  }
  constexpr std::string_view kSuffix = ".kzf";
  if (path.size() >= kSuffix.size() &&
      LowerAscii(path.substr(path.size() - kSuffix.size())) == kSuffix) {
    return true;
  }
  CReadFile file;
  char start[sizeof kArchiveMagic];
  size_t got = 0;
  return file.Open(path, &reason) &&
         file.Read(start, sizeof start, &got, &reason) &&
         HasArchiveMagic(std::string_view(start, got));
}

CArchiveTable::CArchiveTable() : reader_(std::make_unique<CArchiveReader>()) {}

CArchiveTable::~CArchiveTable() = default;

Status CArchiveTable::Open(const std::string& path) {
  auto reader = std::make_unique<CArchiveReader>();
  Status status = reader->Open(path);
  if (!status.ok()) return status;
  reader_ = std::move(reader);
  path_ = path;
  sort_ = SortOrder();
  order_.resize(entries().size());
  std::iota(order_.begin(), order_.end(), size_t{0});
  selected_.assign(entries().size(), false);
  damage_.clear();
  SetFilter("");
  return Status::Ok();
}

Status CArchiveTable::Reopen(const std::vector<std::string>& selectedNames) {
  auto reader = std::make_unique<CArchiveReader>();
  Status status = reader->Open(path_);
  if (!status.ok()) return status;
  reader_ = std::move(reader);
  order_.resize(entries().size());
  const std::unordered_set<std::string> selecting(selectedNames.begin(),
                                                  selectedNames.end());
  selected_.assign(entries().size(), false);
  for (size_t entry = 0; entry < entries().size(); ++entry) {
    selected_[entry] = selecting.count(entries()[entry].name) != 0;
  }
  damage_.clear();
  Reorder();
  return Status::Ok();
}

std::optional<size_t> CArchiveTable::RowOf(size_t entry) const {
  if (entry >= rowOf_.size() || rowOf_[entry] == kHidden) return std::nullopt;
  return rowOf_[entry];
}

std::string CArchiveTable::Text(size_t row, ArchiveColumn column) const {
  const ArchiveEntry& entry = entries()[rows_[row]];
  const EntryRecord& record = entry.record;
  switch (column) {
    case ArchiveColumn::kName: return DisplayName(entry.name);
    case ArchiveColumn::kSize: return FormatSize(record.size);
    case ArchiveColumn::kPacked: return FormatSize(record.packedSize);
    case ArchiveColumn::kRatio: return RatioText(record);
    case ArchiveColumn::kMethod:
      return record.method == kMethodDeflated
                 ? window_messages::kMethodDeflated
                 : window_messages::kMethodStored;
    case ArchiveColumn::kCrc: {
      char text[16];
      std::snprintf(text, sizeof text, "%08" PRIx32, record.crc);
      return text;
    }
  }
  return {};
}

bool CArchiveTable::AlignsRight(ArchiveColumn column) {
  return column == ArchiveColumn::kSize || column == ArchiveColumn::kPacked ||
         column == ArchiveColumn::kRatio;
}

void CArchiveTable::SortBy(ArchiveColumn column) {
  if (sort_.column != column) {
    sort_ = {column, false};
  } else if (!sort_.descending) {
    sort_.descending = true;
  } else {
    sort_ = SortOrder();
  }
  Reorder();
}

void CArchiveTable::RestoreArchiveOrder() {
  sort_ = SortOrder();
  Reorder();
}

void CArchiveTable::Reorder() {
  std::iota(order_.begin(), order_.end(), size_t{0});
  if (sort_.column) {
    const std::vector<ArchiveEntry>& all = entries();
    const ArchiveColumn column = *sort_.column;
    const bool descending = sort_.descending;
    std::stable_sort(order_.begin(), order_.end(),
                     [&all, column, descending](size_t a, size_t b) {
                       return descending ? Before(all[b], all[a], column)
                                         : Before(all[a], all[b], column);
                     });
  }
  Refilter();
}

void CArchiveTable::SetFilter(const std::string& text) {
  filterPattern_.reset();
  filterPart_.clear();
  // Stored names are spelt as the archive spells them.
  const std::optional<std::string> stored = ToArchiveEncoding(text);
  filterText_ = stored.value_or(std::string());
  filterMatchesNothing_ = !stored;
  if (stored && stored->find_first_of("*?") != std::string::npos) {
    filterPattern_.emplace(*stored);
  } else if (stored) {
    filterPart_ = LowerAscii(*stored);
  }
  Refilter();
}

std::string CArchiveTable::FilterFolder() const {
  const size_t wild = filterText_.find_first_of("*?");
  if (wild == std::string::npos) {
    return !filterText_.empty() && filterText_.back() == '/' ? filterText_
                                                             : std::string();
  }
  const size_t slash = filterText_.rfind('/', wild);
  return slash == std::string::npos ? std::string()
                                    : filterText_.substr(0, slash + 1);
}

bool CArchiveTable::PassesFilter(const std::string& name) const {
  if (filterMatchesNothing_) return false;
  if (filterPattern_) return filterPattern_->Matches(name);
  return filterPart_.empty() || HoldsPart(name, filterPart_);
}

void CArchiveTable::Refilter() {
  const std::vector<ArchiveEntry>& all = entries();
  rows_.clear();
  rowOf_.assign(all.size(), kHidden);
  for (size_t entry : order_) {
    if (!PassesFilter(all[entry].name)) continue;
    rowOf_[entry] = rows_.size();
    rows_.push_back(entry);
  }
}

void CArchiveTable::SelectRows(size_t first, size_t last, bool selected) {
  for (size_t row = first; row <= last && row < rows_.size(); ++row) {
    selected_[rows_[row]] = selected;
  }
}

void CArchiveTable::ClearSelection() {
  selected_.assign(selected_.size(), false);
}

std::vector<size_t> CArchiveTable::SelectedRows() const {
  std::vector<size_t> rows;
  for (size_t row = 0; row < rows_.size(); ++row) {
    if (selected_[rows_[row]]) rows.push_back(row);
  }
  return rows;
}

void CArchiveTable::MarkDamaged(size_t entry, const std::string& reason) {
  damage_.resize(entries().size());
  damage_[entry] = reason;
}

void CArchiveTable::ClearDamage() { damage_.clear(); }

std::string CArchiveTable::DamageOf(size_t row) const {
  return damage_.empty() ? std::string() : damage_[rows_[row]];
}

Totals CArchiveTable::AllTotals() const {
  Totals totals;
  for (const ArchiveEntry& entry : entries()) {
    ++totals.entries;
    totals.size += entry.record.size;
    totals.packed += entry.record.packedSize;
  }
  return totals;
}

Totals CArchiveTable::ShownTotals() const {
  std::vector<size_t> all(rows_.size());
  std::iota(all.begin(), all.end(), size_t{0});
  return RowTotals(all);
}

Totals CArchiveTable::RowTotals(const std::vector<size_t>& rows) const {
  Totals totals;
  for (size_t row : rows) {
    const EntryRecord& record = entries()[rows_[row]].record;
    ++totals.entries;
    totals.size += record.size;
    totals.packed += record.packedSize;
  }
  return totals;
}

std::string CArchiveTable::ShownText() const {
  if (!filtered()) return TotalsText(window_messages::kAllTotals, AllTotals());
  const Totals shown = ShownTotals();
  return Substitute(window_messages::kShownTotals,
                    {std::to_string(shown.entries),
                     Count(entries().size(), "entry", "entries"),
                     FormatSize(shown.size), FormatSize(shown.packed)});
}

std::string CArchiveTable::SelectionText(
    const std::vector<size_t>& rows) const {
  if (rows.empty()) return {};
  return TotalsText(window_messages::kSelectedTotals, RowTotals(rows));
}

std::string CArchiveTable::NamesText(const std::vector<size_t>& rows) const {
  std::string text;
  for (size_t row : rows) {
    text += Text(row, ArchiveColumn::kName);
    text += '\n';
  }
  return text;
}

std::string CArchiveTable::Title() const {
  return Substitute(window_messages::kTitle, {SplitPath(path_).name});
}

}  // namespace varnok
