#include "ui/core/entry_commands.h"

#include <utility>

#include "ui/core/dialog_messages.h"

namespace varnok {

CEntryCommands::CEntryCommands(CArchiveTable& table, WindowPrompts& prompts,
                               EntryRunner& runner)
    : table_(table),
      prompts_(prompts),
      runner_(runner),
      engine_(MakeEntryEngine()) {}

void CEntryCommands::SetEngine(std::unique_ptr<EntryEngine> engine) {
  engine_ = std::move(engine);
}

void CEntryCommands::Show(const Message& message) {
  prompts_.ShowMessage(message.text, message.informative);
}

bool CEntryCommands::Run(CRunMonitor& monitor,
                         const std::function<void()>& run) {
  const Status started = runner_.RunInBackground(monitor, run);
  if (!started.ok()) Show(FailureMessage(started));
  return started.ok();
}

void CEntryCommands::Extract(EntryScope scope, bool withoutFolders) {
  const std::vector<size_t> entries = EntriesIn(table_, scope);
  if (!engine_ || entries.empty()) return;
  ExtractChoice choice;
  if (!prompts_.ChooseFolder(&choice.folder)) return;
  choice.withoutFolders = withoutFolders;
  const std::vector<std::string> inTheWay =
      NamesInTheWay(table_, entries, choice);
  if (!inTheWay.empty()) {
    choice.existing =
        prompts_.AskExisting(ExistingQuestion(inTheWay, choice.folder));
    if (choice.existing == ExistingAnswer::kCancel) return;
  }
  CEntryRunMonitor monitor(table_, entries);
  Status result;
  if (!Run(monitor, [&] {
        result = engine_->Extract(table_.reader(), entries, choice, monitor);
      })) {
    return;
  }
  Show(ExtractDoneMessage(table_, monitor, result, choice));
}

void CEntryCommands::Verify() {
  if (!engine_) return;
  CEntryRunMonitor monitor(table_, EntriesIn(table_, EntryScope::kAll));
  if (!Run(monitor, [&] {
        engine_->Verify(table_.reader(), monitor.entries(), monitor);
      })) {
    return;
  }
  Message message;
  runner_.ChangeTable([&] { message = VerifyDoneMessage(&table_, monitor); });
  Show(message);
}

std::vector<std::string> CEntryCommands::MakeCopies(
    const std::vector<size_t>& entries) {
  if (!engine_ || entries.empty()) return {};
  ExtractChoice choice;
  choice.withoutFolders = true;
  const Status folder = copies_.NewRunFolder(&choice.folder);
  if (!folder.ok()) {
    Show(FailureMessage(folder));
    return {};
  }
  CEntryRunMonitor monitor(table_, entries);
  Status result;
  if (!Run(monitor, [&] {
        result = engine_->Extract(table_.reader(), entries, choice, monitor);
      })) {
    return {};
  }
  CopiesMade made = CopiesOfRun(table_, monitor, result, choice);
  if (made.message) Show(*made.message);
  return std::move(made.copies);
}

}  // namespace varnok
