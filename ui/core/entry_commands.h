// The archive window's commands that run the engine over entries, as both
// faces carry them out: Extract (a folder from the picker, one question
// about files in the way, the run, the message at its end), Verify (the
// run, the damaged entries marked, the message) and the temporary copies
// that opening an entry and dragging rows out hand on.
//
// The face runs the work: on a background thread with its progress window
// (EntryRunner), and redraws the table once the marks change.

#ifndef VARNOK_UI_CORE_ENTRY_COMMANDS_H_
#define VARNOK_UI_CORE_ENTRY_COMMANDS_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"
#include "ui/core/archive_table.h"
#include "ui/core/entry_runs.h"
#include "ui/core/temporary_copies.h"
#include "ui/core/window_prompts.h"

namespace varnok {

// What a face does for the commands.
class EntryRunner {
 public:
  virtual ~EntryRunner() = default;
  // Runs run on a background thread, with monitor's progress shown after
  // half a second and its Cancel, and returns once run has ended; fails,
  // without running it, when the thread can't be started.
  virtual Status RunInBackground(CRunMonitor& monitor,
                                 const std::function<void()>& run) = 0;
  // Makes change, which may change the table's rows, their marks and the
  // selection, then shows the table's rows and selection again.
  virtual void ChangeTable(const std::function<void()>& change) = 0;
};

class CEntryCommands {
 public:
  // table, prompts and runner must outlive the commands. The engine is
  // MakeEntryEngine's until SetEngine replaces it.
  CEntryCommands(CArchiveTable& table, WindowPrompts& prompts,
                 EntryRunner& runner);

  // Replaces the engine; null turns the commands off.
  void SetEngine(std::unique_ptr<EntryEngine> engine);
  bool hasEngine() const { return engine_ != nullptr; }

  // Extracts the entries of scope into a folder the user picks, each
  // straight beneath it when withoutFolders; says how it ended.
  void Extract(EntryScope scope, bool withoutFolders);
  // Verifies every entry, marks the damaged ones, says how it ended.
  void Verify();
  // Copies entries, without their folders, into a fresh temporary folder
  // and gives the copies' paths; tells what failed, when anything did.
  std::vector<std::string> MakeCopies(const std::vector<size_t>& entries);

 private:
  // Runs run through the runner; false, after telling why, when it could
  // not start.
  bool Run(CRunMonitor& monitor, const std::function<void()>& run);
  void Show(const Message& message);

  CArchiveTable& table_;
  WindowPrompts& prompts_;
  EntryRunner& runner_;
  std::unique_ptr<EntryEngine> engine_;
  CTemporaryCopies copies_;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_ENTRY_COMMANDS_H_
