#include "ui/core/archive_edits.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>

#include "base/messages.h"
#include "base/sizes.h"
#include "platform/file_system.h"
#include "scan/pack_list.h"
#include "ui/core/compress_choice.h"
#include "ui/core/entry_runs.h"
#include "ui/core/run_monitor.h"
#include "ui/core/window_messages.h"

namespace varnok {
namespace {

namespace texts = window_messages;

std::string Files(size_t n) { return Count(n, "file", "files"); }
std::string Entries(size_t n) { return Count(n, "entry", "entries"); }

std::vector<std::string> Shown(const std::vector<std::string>& names) {
  std::vector<std::string> shown;
  for (const std::string& name : names) shown.push_back(DisplayName(name));
  return shown;
}

// text as the archive spells names, '\' read as '/'; nothing when the
// archive can't spell it.
std::optional<std::string> StoredSpelling(std::string_view text) {
  std::optional<std::string> stored = ToArchiveEncoding(text);
  if (stored) std::replace(stored->begin(), stored->end(), '\\', '/');
  return stored;
}

// path's last component, without the separators it may end with.
std::string LastComponent(std::string path) {
  while (path.size() > 1 && IsPathSeparator(path.back())) path.pop_back();
  return SplitPath(path).name;
}

// Adds path, a folder, as folder + its name + the files' paths beneath it.
Status AddFolder(const std::string& path, const std::string& folder,
                 ScanObserver* observer,
                 std::vector<EditRequest::File>* files) {
  const PackList list = ListFilesToPack(path, observer);
  if (list.stopped) return Status::Cancelled();
  if (!list.unreadableFolders.empty()) {
    const UnreadableFolder& first = list.unreadableFolders.front();
    return Status::IoError(messages::kCantReadFolder, first.path,
                           first.reason);
  }
  const std::optional<std::string> top = StoredSpelling(LastComponent(path));
  if (!top) return Status::BadRequest(messages::kNotInCodePage, path);
  const std::string beneath = folder + (top->empty() ? "" : *top + "/");
  for (const std::string& file : list.paths) {
    const std::optional<std::string> name =
        StoredSpelling(RelativePath(list.root, file));
    if (!name) return Status::BadRequest(messages::kNotInCodePage, file);
    files->push_back({file, beneath + *name, false});
  }
  return Status::Ok();
}

// The folder part of a stored name ("" at the top) and its last part.
std::pair<std::string, std::string> SplitName(const std::string& name) {
  const size_t slash = name.rfind('/');
  if (slash == std::string::npos) return {std::string(), name};
  return {name.substr(0, slash), name.substr(slash + 1)};
}

// Takes the last component off both folders while they end alike and
// each keeps one.
void DropCommonEnd(std::string* from, std::string* to) {
  for (;;) {
    const size_t a = from->rfind('/');
    const size_t b = to->rfind('/');
    if (a == std::string::npos || b == std::string::npos ||
        from->substr(a) != to->substr(b)) {
      return;
    }
    from->resize(a);
    to->resize(b);
  }
}

std::string Counted(const char* text, size_t n) {
  return Substitute(text, {std::to_string(n)});
}

}  // namespace

DropUse UseOfDrop(const std::vector<std::string>& paths) {
  return std::all_of(paths.begin(), paths.end(), TakesForArchive)
             ? DropUse::kOpen
             : DropUse::kAdd;
}

Status FilesToAdd(const std::vector<std::string>& paths,
                  const std::string& folder, ScanObserver* observer,
                  std::vector<EditRequest::File>* files) {
  for (const std::string& path : paths) {
    PathInfo info;
    std::string reason;
    if (!QueryPath(path, &info, &reason)) {
      return Status::IoError(messages::kCantOpenFile, path, reason);
    }
    if (info.kind == PathKind::kFolder) {
      const Status added = AddFolder(path, folder, observer, files);
      if (!added.ok()) return added;
      continue;
    }
    const std::optional<std::string> name = StoredSpelling(LastComponent(path));
    if (!name) return Status::BadRequest(messages::kNotInCodePage, path);
    files->push_back({path, folder + *name, false});
  }
  return Status::Ok();
}

Status RenameOf(const std::string& name, const std::string& text,
                EditRequest::Rename* rename) {
  if (text.empty()) return Status::BadRequest(texts::kEmptyName);
  if (text == DisplayName(name)) {
    *rename = {name, name};
    return Status::Ok();
  }
  const std::optional<std::string> to = StoredSpelling(text);
  if (!to) return Status::BadRequest(messages::kNotInCodePage, text);
  auto [fromFolder, fromLast] = SplitName(name);
  auto [toFolder, toLast] = SplitName(*to);
  if (fromFolder.empty() || fromLast != toLast) {
    *rename = {name, *to};
    return Status::Ok();
  }
  DropCommonEnd(&fromFolder, &toFolder);
  *rename = {fromFolder + "/", toFolder.empty() ? toFolder : toFolder + "/"};
  return Status::Ok();
}

Message AddQuestion(const std::string& archive,
                    const std::vector<EditRequest::File>& files,
                    const EditOutcome& planned, bool compress) {
  std::vector<std::string> names;
  for (const EditRequest::File& file : files) names.push_back(file.name);
  const std::string replacing =
      Substitute(texts::kReplacingList, {Entries(planned.replaced.size())});
  return {Substitute(texts::kAddQuestion, {Files(files.size()), archive}),
          Paragraphs({Section(texts::kStoredAsList, Shown(names)),
                      Section(replacing.c_str(), Shown(planned.replaced)),
                      compress ? texts::kAddedDeflated : texts::kAddedStored})};
}

Message DeleteQuestion(const std::string& archive,
                       const std::vector<std::string>& names) {
  return {Substitute(texts::kDeleteQuestion, {Entries(names.size()), archive}),
          Lines(Shown(names))};
}

Message EditDoneMessage(const std::string& archive, const Status& result,
                        const EditOutcome& outcome, const Status& warning) {
  if (result.code() == StatusCode::kCancelled) {
    return {Substitute(texts::kChangeCancelled, {archive}), {}};
  }
  if (!result.ok()) {
    Message failed = FailureMessage(result);
    failed.informative = Paragraphs(
        {failed.informative, Substitute(texts::kUnchanged, {archive})});
    return failed;
  }
  std::vector<std::string> counts, renamed;
  const auto count = [&counts](const char* text, size_t n) {
    if (n != 0) counts.push_back(Counted(text, n));
  };
  count(texts::kAddedCount, outcome.added.size());
  count(texts::kReplacedCount, outcome.replaced.size());
  count(texts::kDeletedCount, outcome.removed.size());
  count(texts::kRenamedCount, outcome.renamed.size());
  for (const EditRequest::Rename& rename : outcome.renamed) {
    renamed.push_back(Substitute(
        texts::kRenamedTo, {DisplayName(rename.from), DisplayName(rename.to)}));
  }
  std::string summary;
  for (const std::string& part : counts) {
    summary += (summary.empty() ? "" : ", ") + part;
  }
  return {Substitute(texts::kChanged, {archive, summary}),
          Paragraphs({Section(texts::kAddedList, Shown(outcome.added)),
                      Section(texts::kReplacedList, Shown(outcome.replaced)),
                      Section(texts::kDeletedList, Shown(outcome.removed)),
                      Section(texts::kRenamedList, renamed),
                      warning.ok() ? std::string() : warning.ToString()})};
}

CArchiveEdits::CArchiveEdits(CArchiveTable& table, WindowPrompts& prompts,
                             EntryRunner& runner)
    : table_(table), prompts_(prompts), runner_(runner) {}

void CArchiveEdits::Show(const Message& message) {
  prompts_.ShowMessage(message.text, message.informative);
}

std::string CArchiveEdits::ArchiveName() const {
  return SplitPath(table_.path()).name;
}

EditRequest CArchiveEdits::NewRequest() const {
  EditRequest request;
  request.archiveName = table_.path();
  request.compress = CompressChosen();
  return request;
}

bool CArchiveEdits::Plan(const EditRequest& request, EditOutcome* planned) {
  const Status status = CArchiveEditor().Plan(request, planned);
  if (!status.ok()) Show(FailureMessage(status));
  return status.ok();
}

void CArchiveEdits::Add(const std::vector<std::string>& paths) {
  EditRequest request = NewRequest();
  const std::string folder = table_.FilterFolder();
  CScanMonitor scan;
  Status found;
  const Status ran = runner_.RunInBackground(scan, [&] {
    found = FilesToAdd(paths, folder, &scan, &request.add);
  });
  if (!ran.ok() || (!found.ok() && found.code() != StatusCode::kCancelled)) {
    Show(FailureMessage(ran.ok() ? found : ran));
    return;
  }
  EditOutcome planned;
  if (!found.ok() || request.add.empty() || !Plan(request, &planned)) return;
  if (!prompts_.Confirm(AddQuestion(ArchiveName(), request.add, planned,
                                    request.compress),
                        texts::kAddButton)) {
    return;
  }
  std::vector<std::string> added;
  for (const EditRequest::File& file : request.add) added.push_back(file.name);
  Write(request, added);
}

void CArchiveEdits::DeleteSelected() {
  EditRequest request = NewRequest();
  for (const size_t entry : EntriesIn(table_, EntryScope::kSelected)) {
    request.remove.push_back(table_.entries()[entry].name);
  }
  EditOutcome planned;
  if (request.remove.empty() || !Plan(request, &planned)) return;
  if (!prompts_.Confirm(DeleteQuestion(ArchiveName(), request.remove),
                        texts::kDeleteButton)) {
    return;
  }
  Write(request, {});
}

void CArchiveEdits::Rename(size_t entry, const std::string& text) {
  EditRequest::Rename asked;
  Status status = RenameOf(table_.entries()[entry].name, text, &asked);
  if (status.ok() && asked.from == asked.to) return;
  EditRequest request = NewRequest();
  if (status.ok()) {
    status = RenamesFor(table_.entries(), asked.from, asked.to,
                        &request.rename);
  }
  if (!status.ok()) {
    Show(FailureMessage(status));
    return;
  }
  EditOutcome planned;
  if (!Plan(request, &planned)) return;
  std::vector<std::string> renamed;
  for (const EditRequest::Rename& rename : request.rename) {
    renamed.push_back(rename.to);
  }
  Write(request, renamed);
}

void CArchiveEdits::Write(const EditRequest& request,
                          const std::vector<std::string>& select) {
  CPackMonitor monitor;
  EditOutcome outcome;
  Status result, warning;
  table_.CloseFile();
  const Status ran = runner_.RunInBackground(monitor, [&] {
    try {
      CArchiveEditor editor;
      result = editor.Apply(request, &monitor, &outcome);
      warning = editor.warning();
    } catch (const std::bad_alloc&) {
      result = Status::OutOfMemory();
    }
  });
  if (!ran.ok()) result = ran;
  // A change that was not written leaves the selection as it was.
  std::vector<std::string> selected = select;
  if (!result.ok()) {
    selected.clear();
    for (const size_t entry : EntriesIn(table_, EntryScope::kSelected)) {
      selected.push_back(table_.entries()[entry].name);
    }
  }
  Status reopened;
  runner_.ChangeTable([&] { reopened = table_.Reopen(selected); });
  Show(EditDoneMessage(ArchiveName(), result, outcome, warning));
  if (!reopened.ok()) Show(FailureMessage(reopened));
}

}  // namespace varnok
