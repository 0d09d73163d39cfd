// The archive window's changes to its archive, as both faces carry them
// out: files and folders dropped on the table are added (one question,
// naming what they will be stored as and what they replace), Delete removes
// the selected entries (one question), F2 renames an entry or a folder.
//
// Each change is written at once by the engine kzf's edits use
// (archive/archive_editor.h), on a background thread with its progress and
// Cancel; then the table shows the archive as it now is. A cancelled or
// failed change leaves the archive as it was, and the message says so.

#ifndef VARNOK_UI_CORE_ARCHIVE_EDITS_H_
#define VARNOK_UI_CORE_ARCHIVE_EDITS_H_

#include <string>
#include <vector>

#include "archive/archive_editor.h"
#include "base/status.h"
#include "scan/folder_scanner.h"
#include "ui/core/archive_table.h"
#include "ui/core/dialog_messages.h"
#include "ui/core/entry_commands.h"
#include "ui/core/window_prompts.h"

namespace varnok {

// What a drop of paths on an archive window does: archives alone
// (TakesForArchive) open, each in a window of its own; a drop that holds
// anything else adds everything it holds, archives too, as files.
enum class DropUse { kOpen, kAdd };
DropUse UseOfDrop(const std::vector<std::string>& paths);

// The files that adding paths beneath folder (a stored name that ends in
// '/', or empty for the top of the archive) adds, with their stored names:
// a file as folder and its name; a folder as folder, its name, '/' and each
// file's path beneath it, every file found as a pack finds them
// (ListFilesToPack), in the pack's order. observer (may be null) sees the
// scans and may stop them. Fails with the pack's messages naming a path
// whose name the archive can't spell or a folder that can't be read to its
// end, and with Cancelled once observer stopped a scan.
Status FilesToAdd(const std::vector<std::string>& paths,
                  const std::string& folder, ScanObserver* observer,
                  std::vector<EditRequest::File>* files);

// The rename an edit of the name of the entry stored as name asks for:
// text is the edited name as the window showed it (DisplayName), '\' read
// as '/'. When the last part (the file's name) changed, or the entry lies
// at the top, the entry is renamed to text. When only the folder part
// changed, the folder is renamed, with every entry beneath it: the parts
// both folders end with alike are left out, so that "a/b/c/x" edited to
// "a/B/c/x" renames "a/b/" to "a/B/". from == to when nothing changed.
// Fails for an empty text, or one the archive can't spell.
Status RenameOf(const std::string& name, const std::string& text,
                EditRequest::Rename* rename);

// The question before adding: how many files go into archive (its file
// name), the names they will be stored as, which existing entries they
// replace, and whether they are deflated.
Message AddQuestion(const std::string& archive,
                    const std::vector<EditRequest::File>& files,
                    const EditOutcome& planned, bool compress);
// The question before deleting names (stored names) from archive.
Message DeleteQuestion(const std::string& archive,
                       const std::vector<std::string>& names);
// The message after a change of archive that ended with result: what was
// added, replaced, deleted and renamed, or that archive is as it was (a
// cancelled or failed change), or the warning of one that succeeded.
Message EditDoneMessage(const std::string& archive, const Status& result,
                        const EditOutcome& outcome, const Status& warning);

class CArchiveEdits {
 public:
  // table, prompts and runner must outlive the edits.
  CArchiveEdits(CArchiveTable& table, WindowPrompts& prompts,
                EntryRunner& runner);

  // Adds the files and folders at paths beneath the filter's folder
  // (CArchiveTable::FilterFolder), with the program's compress choice,
  // after the question; an entry of a name they take is replaced.
  void Add(const std::vector<std::string>& paths);
  // Deletes the selected entries, after the question.
  void DeleteSelected();
  // Renames as RenameOf reads text, edited from entry's name; refusals
  // (an empty, unsafe or taken name) are shown, and nothing is written.
  void Rename(size_t entry, const std::string& text);

 private:
  // Checks request as the engine does before writing; shows why it can't
  // be written and answers false when it can't.
  bool Plan(const EditRequest& request, EditOutcome* planned);
  // Writes request's change, then shows the archive again with the
  // entries named select selected, and says how it ended.
  void Write(const EditRequest& request,
             const std::vector<std::string>& select);
  // A request to change the table's archive.
  EditRequest NewRequest() const;
  std::string ArchiveName() const;
  void Show(const Message& message);

  CArchiveTable& table_;
  WindowPrompts& prompts_;
  EntryRunner& runner_;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_ARCHIVE_EDITS_H_
