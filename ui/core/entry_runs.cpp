#include "ui/core/entry_runs.h"

#include <algorithm>

#include "base/messages.h"
#include "base/sizes.h"
#include "platform/file_system.h"
#include "ui/core/window_messages.h"

namespace varnok {
namespace {

namespace texts = window_messages;

std::string Files(size_t n) { return Count(n, "file", "files"); }

}  // namespace

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < kNamesListed; ++i) {
    if (i != 0) text += '\n';
    text += lines[i];
  }
  if (lines.size() > kNamesListed) {
    text += '\n' + Substitute(messages::kAndMore,
                              {std::to_string(lines.size() - kNamesListed)});
  }
  return text;
}

std::string Section(const char* title, const std::vector<std::string>& lines) {
  return lines.empty() ? std::string() : title + ("\n" + Lines(lines));
}

std::string Paragraphs(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!text.empty()) text += "\n\n";
    text += part;
  }
  return text;
}

std::vector<size_t> EntriesIn(const CArchiveTable& table, EntryScope scope) {
  std::vector<size_t> entries;
  if (scope == EntryScope::kAll) {
    for (size_t i = 0; i < table.entries().size(); ++i) entries.push_back(i);
    return entries;
  }
  const std::vector<size_t> rows = scope == EntryScope::kSelected
                                       ? table.SelectedRows()
                                       : std::vector<size_t>();
  if (scope == EntryScope::kSelected) {
    for (size_t row : rows) entries.push_back(table.EntryAt(row));
  } else {
    for (size_t row = 0; row < table.rowCount(); ++row) {
      entries.push_back(table.EntryAt(row));
    }
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string ExtractTarget(const std::string& folder, const std::string& name,
                          bool withoutFolders) {
  const size_t slash = name.rfind('/');
  const std::string tail = withoutFolders && slash != std::string::npos
                               ? name.substr(slash + 1)
                               : name;
  std::string path = FromArchiveEncoding(tail);
  for (char& c : path) {
    if (c == '/') c = kPathSeparator;
  }
  return JoinPath(folder, path);
}

std::vector<std::string> NamesInTheWay(const CArchiveTable& table,
                                       const std::vector<size_t>& entries,
                                       const ExtractChoice& choice) {
  std::vector<std::string> names;
  for (size_t entry : entries) {
    const std::string& name = table.entries()[entry].name;
    PathInfo info;
    std::string reason;
    const std::string target =
        ExtractTarget(choice.folder, name, choice.withoutFolders);
    // A target the system can't tell about is left to the run to report.
    if (QueryPath(target, &info, &reason) && info.kind != PathKind::kMissing) {
      names.push_back(DisplayName(name));
    }
  }
  return names;
}

Message ExistingQuestion(const std::vector<std::string>& names,
                         const std::string& folder) {
  return {Substitute(texts::kExistingQuestion, {Files(names.size()), folder}),
          Paragraphs({Lines(names), texts::kExistingChoice})};
}

CEntryRunMonitor::CEntryRunMonitor(const CArchiveTable& table,
                                   std::vector<size_t> entries)
    : table_(table), entries_(std::move(entries)) {
  for (size_t entry : entries_) {
    bytesTotal_ += table_.entries()[entry].record.size;
  }
  progress_.entriesTotal = static_cast<uint32_t>(entries_.size());
  progress_.bytesTotal = bytesTotal_;
}

void CEntryRunMonitor::EntryDone(size_t index, const Status& status) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++progress_.entriesDone;
  progress_.bytesDone += table_.entries()[index].record.size;
  results_.emplace_back(index, status);
}

std::vector<std::pair<size_t, Status>> CEntryRunMonitor::results() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return results_;
}

std::string CEntryRunMonitor::ProgressText() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return varnok::ProgressText(progress_);
}

std::optional<int> CEntryRunMonitor::ProgressStep(int steps) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return varnok::ProgressStep(progress_, steps);
}

CopiesMade CopiesOfRun(const CArchiveTable& table,
                       const CEntryRunMonitor& monitor,
                       const Status& runStatus, const ExtractChoice& choice) {
  CopiesMade made;
  for (const auto& [entry, status] : monitor.results()) {
    if (!status.ok()) continue;
    made.copies.push_back(ExtractTarget(
        choice.folder, table.entries()[entry].name, choice.withoutFolders));
  }
  if (!runStatus.ok() || made.copies.size() != monitor.entries().size()) {
    made.message = ExtractDoneMessage(table, monitor, runStatus, choice);
  }
  return made;
}

Message ExtractDoneMessage(const CArchiveTable& table,
                           const CEntryRunMonitor& monitor,
                           const Status& runStatus,
                           const ExtractChoice& choice) {
  if (!runStatus.ok()) return FailureMessage(runStatus);
  std::vector<std::string> written, unsafe, repeated, failed;
  size_t kept = 0;
  for (const auto& [entry, status] : monitor.results()) {
    const std::string name = DisplayName(table.entries()[entry].name);
    if (status.ok()) {
      written.push_back(name);
    } else if (status.message() == messages::kFileExists) {
      ++kept;
    } else if (status.message() == messages::kUnsafeName) {
      unsafe.push_back(status.reason().empty() ? name
                                               : name + ": " + status.reason());
    } else if (status.message() == messages::kRepeatedName) {
      repeated.push_back(name);
    } else {
      failed.push_back(status.ToString());
    }
  }
  const bool cancelled = monitor.cancelled();
  Message message;
  message.text = Substitute(
      cancelled ? texts::kExtractCancelled : texts::kExtracted,
      {Files(written.size()), choice.folder});
  message.informative = Paragraphs(
      {kept == 0 ? std::string() : Substitute(texts::kKeptExisting, {Files(kept)}),
       Section(texts::kUnsafeList, unsafe),
       Section(texts::kRepeatedList, repeated),
       Section(texts::kFailedList, failed),
       cancelled || !failed.empty() ? Section(texts::kWrittenList, written)
                                    : std::string()});
  return message;
}

Message VerifyDoneMessage(CArchiveTable* table,
                          const CEntryRunMonitor& monitor) {
  table->ClearDamage();
  std::vector<std::string> damaged;
  const std::vector<std::pair<size_t, Status>> results = monitor.results();
  for (const auto& [entry, status] : results) {
    if (status.ok()) continue;
    table->MarkDamaged(entry, status.reason());
    damaged.push_back(status.reason());
  }
  const size_t total = monitor.entries().size();
  const auto entries = [](size_t n) { return Count(n, "entry", "entries"); };
  Message message;
  if (monitor.cancelled() && results.size() < total) {
    message.text = Substitute(texts::kVerifyCancelled,
                              {entries(results.size()), std::to_string(total)});
  } else if (damaged.empty()) {
    message.text = Substitute(texts::kAllSound, {entries(total)});
  } else {
    message.text = Substitute(texts::kDamagedFound,
                              {entries(damaged.size()), std::to_string(total)});
  }
  message.informative = Lines(damaged);
  return message;
}

}  // namespace varnok
