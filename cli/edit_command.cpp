#include "cli/edit_command.h"

#include <optional>
#include <string>

#include "archive/archive_reader.h"
#include "archive/entry_selection.h"
#include "base/escape.h"
#include "base/sizes.h"
#include "cli/pack_progress.h"
#include "cli/standard_output.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"

namespace varnok {
namespace {

// "Label: NAME", or "Label: FROM -> TO" for a rename.
std::string Change(const char* label, std::string_view name,
                   std::string_view to = {}) {
  std::string line = std::string(label) + ": " + DisplayName(name);
  if (!to.empty()) line += " -> " + DisplayName(to);
  return line;
}

}  // namespace

EditCommand::EditCommand(CLI::App& app, std::string_view name,
                         std::string_view description, PackLimits limits)
    : Command(app, name, description), limits_(limits) {}

void EditCommand::DeclareArchive() {
  subcommand()
      .add_option("ARCHIVE", archive_,
                  "The archive to change: a file, replaced once the changed "
                  "archive is complete")
      ->required()
      ->check(kNotEmpty)
      ->check(kNotStandardOutput);
}

void EditCommand::DeclareRunOptions() {
  CLI::App& command = subcommand();
  command.add_flag("--skip-damaged", skipDamaged_,
                   "Leave out, and name, each entry whose held bytes are "
                   "damaged (default: fail, changing nothing)");
  command.add_flag("-n,--dry-run", dryRun_,
                   "Print the changes and write nothing");
  command.add_flag("-v,--verbose", verbose_, "Name each change");
  command.add_flag("-q,--quiet", quiet_, "Print nothing but errors");
}

bool EditCommand::OpenArchiveToEdit(CArchiveReader* reader) const {
  return OpenArchive(archive_, reader);
}

int EditCommand::Edit(EditRequest& request, unsigned jobs) const {
  request.archiveName = archive_;
  request.skipDamaged = skipDamaged_;
  CArchiveEditor editor(jobs, limits_);
  EditOutcome outcome;
  if (dryRun_) {
    const Status status = editor.Plan(request, &outcome);
    if (!status.ok()) {
      PrintError(status);
      return kExitFailure;
    }
    StandardOutput out;
    const bool named = NameChanges(outcome);
    if (!quiet_) out.Print(Summary(outcome, 0));
    return out.Finish() && named ? kExitSuccess : kExitFailure;
  }
  // What a killed run left beside the archive goes first, as for a pack.
  for (const std::string& path : CAtomicFile::RemoveLeftovers(archive_)) {
    PrintWarning(Status::IoError(messages::kRemovedLeftover, path));
  }
  CPackProgress progress(!quiet_ && CanShowProgress() ? stderr : nullptr);
  const Status status = editor.Apply(request, &progress, &outcome);
  progress.Finish();
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  if (!editor.warning().ok()) PrintWarning(editor.warning());
  NameChanges(outcome);
  if (quiet_) return kExitSuccess;
  StandardOutput out;
  out.Print(Summary(outcome, progress.last().entriesTotal));
  return out.Finish() ? kExitSuccess : kExitFailure;
}

bool EditCommand::NameChanges(const EditOutcome& outcome) const {
  std::vector<std::string> lines;
  for (const std::string& name : outcome.added) {
    lines.push_back(Change(messages::kAdded, name));
  }
  for (const std::string& name : outcome.replaced) {
    lines.push_back(Change(messages::kReplaced, name));
  }
  for (const std::string& name : outcome.removed) {
    lines.push_back(Change(messages::kRemoved, name));
  }
  for (const EditRequest::Rename& rename : outcome.renamed) {
    lines.push_back(Change(messages::kRenamed, rename.from, rename.to));
  }
  // Leaving an entry out is always told.
  for (const std::string& name : outcome.skipped) {
    PrintWarning(Status::Damaged(messages::kDamagedLeftOut, DisplayName(name)));
  }
  if (dryRun_) {
    StandardOutput out;
    for (const std::string& line : lines) out.Print(line + "\n");
    return out.Finish();
  }
  for (size_t i = 0; verbose_ && i < lines.size(); ++i) PrintNote(lines[i]);
  return true;
}

std::string EditCommand::Summary(const EditOutcome& outcome,
                                 size_t entries) const {
  std::string line = archive_ + ": " + std::to_string(outcome.added.size()) +
                     " added, " + std::to_string(outcome.replaced.size()) +
                     " replaced, " + std::to_string(outcome.removed.size()) +
                     " removed, " + std::to_string(outcome.renamed.size()) +
                     " renamed";
  if (!outcome.skipped.empty()) {
    line += ", " + Count(outcome.skipped.size(), "damaged entry left out",
                         "damaged entries left out");
  }
  if (dryRun_) return line + " (dry run: nothing written)\n";
  return line + "; " + Count(entries, "entry", "entries") + "\n";
}

AddCommand::AddCommand(CLI::App& app, PackLimits limits)
    : EditCommand(app, "add", "Add files to an archive, replacing entries of "
                              "the same names", limits) {
  DeclareArchive();
  options_.Declare(subcommand(), true);
  DeclareRunOptions();
}

int AddCommand::Run() {
  PackSelection selection;
  if (!options_.Select(archive_, verbose(), &selection)) return kExitFailure;
  const PackRequest& pack = selection.request;
  if (pack.paths.empty()) {
    PrintError(Status::BadRequest(messages::kNoFiles));
    return kExitFailure;
  }
  EditRequest request;
  request.compress = pack.compress;
  request.level = pack.level;
  for (size_t i = 0; i < pack.paths.size(); ++i) {
    std::string name;
    const Status status = StoredNameOf(pack, i, &name);
    if (!status.ok()) {
      PrintPackFailure(status, pack);
      return kExitFailure;
    }
    const bool store = i < pack.keepStored.size() && pack.keepStored[i];
    request.add.push_back({pack.paths[i], std::move(name), store});
  }
  return Edit(request, options_.jobs());
}

RemoveCommand::RemoveCommand(CLI::App& app, PackLimits limits)
    : EditCommand(app, "remove", "Remove entries from an archive", limits) {
  DeclareArchive();
  subcommand()
      .add_option("NAME", names_,
                  "Entries to remove: a stored name as list --names prints "
                  "it, a folder of names (everything beneath it), or a GLOB "
                  "matched against the names, as extract takes them")
      ->required();
  subcommand().add_flag("--ignore-missing", ignoreMissing_,
                        "Pass over a NAME that chooses no entry (default: "
                        "fail, changing nothing)");
  DeclareRunOptions();
}

int RemoveCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchiveToEdit(&reader)) return kExitFailure;
  const std::vector<ArchiveEntry>& entries = reader.entries();
  std::vector<bool> marked(entries.size(), false);
  bool allFound = true;
  for (const std::string& argument : names_) {
    // Stored names are spelt as the archive spells them.
    const std::optional<std::string> stored = ToArchiveEncoding(argument);
    if ((stored && ChooseEntries(entries, *stored, &marked)) ||
        ignoreMissing_) {
      continue;
    }
    PrintError(
        Status::BadRequest(messages::kNotFoundInArchive, EscapeName(argument)));
    allFound = false;
  }
  if (!allFound) return kExitFailure;
  EditRequest request;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (marked[i]) request.remove.push_back(entries[i].name);
  }
  // The edit replaces the archive, which a system may refuse while it is
  // open.
  reader.Close();
  return Edit(request, 1);
}

RenameCommand::RenameCommand(CLI::App& app, PackLimits limits)
    : EditCommand(app, "rename",
                  "Rename an entry, or a folder of entries, in an archive",
                  limits) {
  DeclareArchive();
  subcommand()
      .add_option("OLD", from_,
                  "A stored name as list --names prints it, or a folder of "
                  "names (data/maps or data/maps/: every entry beneath it)")
      ->required()
      ->check(kNotEmpty);
  subcommand()
      .add_option("NEW", to_,
                  "The new name, or the folder the entries move to")
      ->required()
      ->check(kNotEmpty);
  DeclareRunOptions();
}

int RenameCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchiveToEdit(&reader)) return kExitFailure;
  const std::optional<std::string> from = ToArchiveEncoding(from_);
  const std::optional<std::string> to = ToArchiveEncoding(to_);
  if (!from || !to) {
    PrintError(Status::BadRequest(messages::kNotInCodePage,
                                  EscapeName(!from ? from_ : to_)));
    return kExitFailure;
  }
  EditRequest request;
  const Status status = RenamesFor(reader.entries(), *from, *to,
                                   &request.rename);
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  reader.Close();  // as for remove
  return Edit(request, 1);
}

}  // namespace varnok
