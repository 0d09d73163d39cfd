// kzf add, kzf remove and kzf rename: change an archive without its source
// folder (archive/archive_editor.h). Each writes a new archive through the
// same temporary file and rename as kzf pack, copying every entry it keeps
// as it lies, and says in one line what it changed; --dry-run names the
// changes and writes nothing, after every check the edit makes first.
//
//   kzf add ARCHIVE PATH... [pack's naming, filter and method options]
//     adds files, and every file beneath folders, named as kzf pack names
//     them; an entry stored under the name already is replaced.
//   kzf remove ARCHIVE NAME...
//     removes the entries each NAME chooses as kzf extract chooses them (a
//     name, a folder of names or a pattern); one that chooses none fails
//     the run unless --ignore-missing.
//   kzf rename ARCHIVE OLD NEW
//     renames one entry, or a folder of names and every entry beneath it.

#ifndef VARNOK_CLI_EDIT_COMMAND_H_
#define VARNOK_CLI_EDIT_COMMAND_H_

#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_editor.h"
#include "cli/command.h"
#include "cli/pack_options.h"

namespace varnok {

// What the three commands share: the archive, the options of a run, and
// the run itself.
class EditCommand : public Command {
 protected:
  // limits: how far the edit lets the archive grow (tests make them small).
  EditCommand(CLI::App& app, std::string_view name,
              std::string_view description, PackLimits limits);
  // Declares ARCHIVE, the first positional.
  void DeclareArchive();
  // Declares --dry-run, --verbose, --quiet and --skip-damaged.
  void DeclareRunOptions();
  // Opens the archive to choose entries from; says why it can't.
  bool OpenArchiveToEdit(CArchiveReader* reader) const;
  // Plans (dry run) or applies request on jobs threads and reports what
  // changed; returns the exit status.
  int Edit(EditRequest& request, unsigned jobs) const;
  bool verbose() const { return verbose_; }

  std::string archive_;

 private:
  // Names each change (stdout for a dry run, stderr with verbose) and
  // warns of every damaged entry left out; false when stdout fails.
  bool NameChanges(const EditOutcome& outcome) const;
  // The summary line; entries 0 when unknown.
  std::string Summary(const EditOutcome& outcome, size_t entries) const;

  const PackLimits limits_;
  bool dryRun_ = false;
  bool verbose_ = false;
  bool quiet_ = false;
  bool skipDamaged_ = false;
};

class AddCommand : public EditCommand {
 public:
  explicit AddCommand(CLI::App& app, PackLimits limits = {});
  int Run() override;

 private:
  PackOptions options_;
};

class RemoveCommand : public EditCommand {
 public:
  explicit RemoveCommand(CLI::App& app, PackLimits limits = {});
  int Run() override;

 private:
  std::vector<std::string> names_;
  bool ignoreMissing_ = false;
};

class RenameCommand : public EditCommand {
 public:
  explicit RenameCommand(CLI::App& app, PackLimits limits = {});
  int Run() override;

 private:
  std::string from_;
  std::string to_;
};

}  // namespace varnok

#endif  // VARNOK_CLI_EDIT_COMMAND_H_
