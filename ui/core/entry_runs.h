// What the archive window decides around the runs of the engine over its
// entries (extracting, verifying): which entries, the one question about
// existing files, the progress and Cancel, and the message at the end.
//
// The runs themselves are the engine's, the ones kzf uses; the window
// reaches them through EntryEngine, so that these decisions are the same
// on every face and can be tried without one.

#ifndef VARNOK_UI_CORE_ENTRY_RUNS_H_
#define VARNOK_UI_CORE_ENTRY_RUNS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/ordered_work.h"
#include "base/status.h"
#include "ui/core/archive_table.h"
#include "ui/core/dialog_messages.h"
#include "ui/core/run_monitor.h"

namespace varnok {

// The lists of names in the window's messages: the first kNamesListed
// lines, one a line, then how many more there are.
inline constexpr size_t kNamesListed = 5;
std::string Lines(const std::vector<std::string>& lines);
// Lines under a title; empty for no lines.
std::string Section(const char* title, const std::vector<std::string>& lines);
// Joins the non-empty parts by blank lines.
std::string Paragraphs(const std::vector<std::string>& parts);

// Which entries a command takes.
enum class EntryScope { kSelected, kShown, kAll };

// The entries scope names in table, in archive order (the order the engine
// reads fastest and reports in).
std::vector<size_t> EntriesIn(const CArchiveTable& table, EntryScope scope);

// What becomes of files an extraction finds in its way.
enum class ExistingAnswer { kReplace, kKeep, kCancel };

// An extraction as the user asked for it.
struct ExtractChoice {
  std::string folder;
  // Each file straight beneath the folder, under its stored name's last
  // component.
  bool withoutFolders = false;
  ExistingAnswer existing = ExistingAnswer::kReplace;
};

// The path entry name would take beneath folder.
std::string ExtractTarget(const std::string& folder, const std::string& name,
                          bool withoutFolders);

// The stored names of entries whose target is taken already (by a file, a
// folder or anything else), in the order of entries.
std::vector<std::string> NamesInTheWay(const CArchiveTable& table,
                                       const std::vector<size_t>& entries,
                                       const ExtractChoice& choice);

// The one question asked when names are in the way: how many files are
// there already, and below it the first five names, then the choice.
Message ExistingQuestion(const std::vector<std::string>& names,
                         const std::string& folder);

// Carries a run over entries between the engine's threads and the window:
// progress (entries and their bytes) and Cancel one way, each entry's end
// the other. Every member may be called from any thread.
class CEntryRunMonitor final : public CRunMonitor, public EntryObserver {
 public:
  // entries: the run's, in its order; their sizes make the progress.
  CEntryRunMonitor(const CArchiveTable& table, std::vector<size_t> entries);

  const std::vector<size_t>& entries() const { return entries_; }

  // Entry index ended with status: called once for each entry the run
  // reaches, in the run's order.
  void EntryDone(size_t index, const Status& status) override;
  // Asked by the run between entries: true once Cancel was asked for.
  bool Cancelled() override { return cancelled(); }

  // Each entry reached, with how it ended, in the run's order.
  std::vector<std::pair<size_t, Status>> results() const;

  std::string ProgressText() const override;
  std::optional<int> ProgressStep(int steps) const override;

 private:
  const CArchiveTable& table_;
  const std::vector<size_t> entries_;
  uint64_t bytesTotal_ = 0;
  mutable std::mutex mutex_;
  PackProgress progress_;                            // guarded by mutex_
  std::vector<std::pair<size_t, Status>> results_;  // guarded by mutex_
};

// The message after an extraction into choice.folder (its run's monitor
// and the Status its run returned): how many files went there, or, when
// cancelled, how many were written; below it the existing files kept, the
// unsafe and repeated names, the failures with their reasons, and, after a
// cancelled or failed run, the files that were written.
Message ExtractDoneMessage(const CArchiveTable& table,
                           const CEntryRunMonitor& monitor,
                           const Status& runStatus,
                           const ExtractChoice& choice);

// What a run that copied entries (for opening them, or for a drag) made:
// the copies, in the order the entries were asked for, and the message to
// show when not every entry was copied (none when all were).
struct CopiesMade {
  std::vector<std::string> copies;
  std::optional<Message> message;
};
CopiesMade CopiesOfRun(const CArchiveTable& table,
                       const CEntryRunMonitor& monitor,
                       const Status& runStatus, const ExtractChoice& choice);

// Marks in table the entries a verification found damaged, and gives the
// message after it: every entry sound, or how many are damaged, named
// below with their reasons.
Message VerifyDoneMessage(CArchiveTable* table,
                          const CEntryRunMonitor& monitor);

// The engine's runs, as the window starts them. Both run on the calling
// thread (the window calls them on a background one), tell monitor of each
// entry in the order given, and stop once monitor is cancelled.
class EntryEngine {
 public:
  virtual ~EntryEngine() = default;
  // Extracts entries of reader beneath choice.folder (created when
  // missing), existing files replaced or kept as choice says. Fails, before
  // any entry, only when the folder can't be opened.
  virtual Status Extract(CArchiveReader& reader,
                         const std::vector<size_t>& entries,
                         const ExtractChoice& choice,
                         CEntryRunMonitor& monitor) = 0;
  // Verifies entries of reader, on every core.
  virtual void Verify(CArchiveReader& reader,
                      const std::vector<size_t>& entries,
                      CEntryRunMonitor& monitor) = 0;
};

// The engine the window runs: the extractor and verifier kzf uses
// (archive/archive_extractor.h), on every core.
std::unique_ptr<EntryEngine> MakeEntryEngine();

}  // namespace varnok

#endif  // VARNOK_UI_CORE_ENTRY_RUNS_H_
