#include "archive/archive_editor.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "archive/entry_selection.h"
#include "base/byte_sink.h"
#include "base/path_less.h"

namespace varnok {
namespace {

constexpr size_t kNone = std::numeric_limits<size_t>::max();

// Takes held bytes and keeps nothing (a check of their CRC-32 alone),
// counting them in progress for observer, which may cancel the check.
class CheckingSink : public ByteSink {
 public:
  CheckingSink(PackObserver* observer, PackProgress* progress)
      : observer_(observer), progress_(progress) {}
  Status Append(std::string_view bytes) override {
    progress_->bytesDone += bytes.size();
    if (observer_ != nullptr && !observer_->OnProgress(*progress_)) {
      return Status::Cancelled();
    }
    return Status::Ok();
  }

 private:
  PackObserver* const observer_;
  PackProgress* const progress_;
};

// Decides what an edit makes of an archive's entries: the fate of each old
// entry, and the new archive's entries in order. Refers to the request and
// to the open archive, which must outlive it and stay as they are.
class EditPlan {
 public:
  EditPlan(const EditRequest& request, const CArchiveReader& archive)
      : request_(request),
        archive_(archive),
        entries_(archive.entries()),
        fates_(entries_.size()) {}

  // Refuses a request that names what isn't there or changes one entry, or
  // one name, twice; then orders the new archive's entries.
  Status Make();
  // Leaves out of the new archive each entry to copy whose held bytes fail
  // their CRC-32, in outcome's skipped. observer (may be null) sees the
  // check's progress, over the entries to copy and their held bytes, and
  // may cancel it.
  Status SkipDamaged(CArchiveReader* reader, PackObserver* observer);
  // What the edit changes.
  void Describe(EditOutcome* outcome) const;
  // The pack that writes the new archive, copying from reader.
  PackRequest ToPackRequest(CArchiveReader* reader) const;

 private:
  // What becomes of one entry of the archive.
  struct Fate {
    enum class Kind { kKeep, kRemove, kRename, kReplace, kSkip };
    Kind kind = Kind::kKeep;
    const EditRequest::Rename* rename = nullptr;
    const EditRequest::File* file = nullptr;
  };
  // One entry of the new archive: read from file, or copied from entry old.
  // A replacing file keeps the place of the entry it replaces (old).
  struct NewEntry {
    std::string_view name;
    const EditRequest::File* file = nullptr;
    size_t old = kNone;
  };

  Status MarkRemoves();
  Status MarkRenames();
  Status MarkAdds();
  // Refuses a new name (renamed to, or added) that an entry keeps, or that
  // two changes give.
  Status CheckNewNames() const;
  // Kept and replaced entries in archive order, the new names merged in.
  void Order();
  // The entry stored under name; fails when there is none.
  Status Find(std::string_view name, size_t* index) const;
  // Gives entry index its fate; fails when it has one already.
  Status Decide(size_t index, Fate fate);

  const EditRequest& request_;
  const CArchiveReader& archive_;
  const std::vector<ArchiveEntry>& entries_;
  std::vector<Fate> fates_;
  std::vector<const EditRequest::File*> newFiles_;  // adds of new names
  std::vector<NewEntry> order_;
};

Status EditPlan::Make() {
  Status status = MarkRemoves();
  if (status.ok()) status = MarkRenames();
  if (status.ok()) status = MarkAdds();
  if (status.ok()) status = CheckNewNames();
  if (status.ok()) Order();
  return status;
}

Status EditPlan::Find(std::string_view name, size_t* index) const {
  const std::optional<size_t> found = archive_.FindEntry(name);
  if (!found) {
    return Status::BadRequest(messages::kNotFoundInArchive, DisplayName(name));
  }
  *index = *found;
  return Status::Ok();
}

Status EditPlan::Decide(size_t index, Fate fate) {
  if (fates_[index].kind != Fate::Kind::kKeep) {
    return Status::BadRequest(messages::kChangedTwice,
                              DisplayName(entries_[index].name));
  }
  fates_[index] = fate;
  return Status::Ok();
}

Status EditPlan::MarkRemoves() {
  for (const std::string& name : request_.remove) {
    size_t index = 0;
    Status status = Find(name, &index);
    if (status.ok()) status = Decide(index, {Fate::Kind::kRemove});
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

Status EditPlan::MarkRenames() {
  for (const EditRequest::Rename& rename : request_.rename) {
    size_t index = 0;
    Status status = Find(rename.from, &index);
    if (status.ok()) status = Decide(index, {Fate::Kind::kRename, &rename});
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

Status EditPlan::MarkAdds() {
  std::unordered_map<std::string_view, const EditRequest::File*> added;
  for (const EditRequest::File& file : request_.add) {
    const auto [other, fresh] = added.emplace(file.name, &file);
    if (!fresh) {
      return Status::BadRequest(messages::kDuplicateStoredName,
                                other->second->path + " and " + file.path,
                                DisplayName(file.name));
    }
    const std::optional<size_t> found = archive_.FindEntry(file.name);
    if (!found) {
      newFiles_.push_back(&file);
      continue;
    }
    Status status = Decide(*found, {Fate::Kind::kReplace, nullptr, &file});
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

Status EditPlan::CheckNewNames() const {
  // Every name the new archive holds, and what gives it.
  std::unordered_map<std::string_view, bool> taken;  // true: a new name
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Fate::Kind kind = fates_[i].kind;
    if (kind == Fate::Kind::kKeep || kind == Fate::Kind::kReplace) {
      taken.emplace(entries_[i].name, false);
    }
  }
  for (const EditRequest::File* file : newFiles_) taken.emplace(file->name, true);
  for (const Fate& fate : fates_) {
    if (fate.kind != Fate::Kind::kRename) continue;
    const auto [other, fresh] = taken.emplace(fate.rename->to, true);
    if (fresh) continue;
    return Status::BadRequest(other->second ? messages::kDuplicateStoredName
                                            : messages::kNameInArchive,
                              DisplayName(fate.rename->to));
  }
  return Status::Ok();
}

void EditPlan::Order() {
  std::vector<NewEntry> fresh;
  for (const EditRequest::File* file : newFiles_) {
    fresh.push_back({file->name, file});
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (fates_[i].kind == Fate::Kind::kRename) {
      fresh.push_back({fates_[i].rename->to, nullptr, i});
    }
  }
  std::stable_sort(fresh.begin(), fresh.end(),
                   [](const NewEntry& a, const NewEntry& b) {
                     return PathLess(a.name, b.name);
                   });
  // Before each entry that stays, the new names a pack puts before it.
  auto next = fresh.begin();
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Fate& fate = fates_[i];
    if (fate.kind != Fate::Kind::kKeep && fate.kind != Fate::Kind::kReplace) {
      continue;
    }
    const std::string_view name = entries_[i].name;
    for (; next != fresh.end() && PathLess(next->name, name); ++next) {
      order_.push_back(*next);
    }
    order_.push_back({name, fate.file, i});
  }
  order_.insert(order_.end(), next, fresh.end());
}

Status EditPlan::SkipDamaged(CArchiveReader* reader,
                             PackObserver* observer) {
  PackProgress progress;
  for (const NewEntry& entry : order_) {
    if (entry.file != nullptr) continue;
    ++progress.entriesTotal;
    progress.bytesTotal += entries_[entry.old].record.packedSize;
  }
  std::vector<NewEntry> kept;
  for (const NewEntry& entry : order_) {
    if (entry.file == nullptr) {
      CheckingSink check(observer, &progress);
      const Status status = reader->ReadHeld(entry.old, check);
      if (status.cancelled()) return status;
      ++progress.entriesDone;
      if (!status.ok()) {
        fates_[entry.old].kind = Fate::Kind::kSkip;
        continue;
      }
    }
    kept.push_back(entry);
  }
  order_ = std::move(kept);
  return Status::Ok();
}

void EditPlan::Describe(EditOutcome* outcome) const {
  *outcome = EditOutcome{};
  for (const NewEntry& entry : order_) {
    if (entry.file != nullptr) {
      (entry.old == kNone ? outcome->added : outcome->replaced)
          .emplace_back(entry.name);
    } else if (fates_[entry.old].kind == Fate::Kind::kRename) {
      outcome->renamed.push_back(*fates_[entry.old].rename);
    }
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (fates_[i].kind == Fate::Kind::kRemove) {
      outcome->removed.push_back(entries_[i].name);
    } else if (fates_[i].kind == Fate::Kind::kSkip) {
      outcome->skipped.push_back(entries_[i].name);
    }
  }
}

PackRequest EditPlan::ToPackRequest(CArchiveReader* reader) const {
  PackRequest pack;
  pack.archiveName = request_.archiveName;
  pack.compress = request_.compress;
  pack.level = request_.level;
  pack.namesAsStored = true;
  for (const NewEntry& entry : order_) {
    pack.names.emplace_back(entry.name);
    if (entry.file != nullptr) {
      pack.paths.push_back(entry.file->path);
      pack.keepStored.push_back(entry.file->store);
      pack.copies.push_back({});
    } else {
      // A copied entry is named by its archive in messages.
      pack.paths.push_back(request_.archiveName);
      pack.keepStored.push_back(false);
      pack.copies.push_back({reader, entry.old});
    }
  }
  return pack;
}

// Opens the archive request changes into reader and plans the edit into
// *plan; with skipDamaged, leaves out the damaged entries to copy, checked
// under observer (may be null).
Status OpenAndPlan(const EditRequest& request, CArchiveReader* reader,
                   PackObserver* observer, std::unique_ptr<EditPlan>* plan) {
  Status status = reader->Open(request.archiveName);
  if (!status.ok()) return status;
  *plan = std::make_unique<EditPlan>(request, *reader);
  status = (*plan)->Make();
  if (!status.ok()) return status;
  return request.skipDamaged ? (*plan)->SkipDamaged(reader, observer)
                             : Status::Ok();
}

}  // namespace

CArchiveEditor::CArchiveEditor(unsigned threads, PackLimits limits)
    : threads_(threads), limits_(limits) {}

Status CArchiveEditor::Plan(const EditRequest& request, EditOutcome* outcome) {
  *outcome = EditOutcome{};
  CArchiveReader reader;
  std::unique_ptr<EditPlan> plan;
  Status status = OpenAndPlan(request, &reader, nullptr, &plan);
  if (!status.ok()) return status;
  std::vector<PlannedEntry> planned;
  CArchiveWriter writer(threads_, limits_);
  status = writer.Plan(plan->ToPackRequest(&reader), &planned);
  if (status.ok()) plan->Describe(outcome);
  return status;
}

Status CArchiveEditor::Apply(const EditRequest& request,
                             PackObserver* observer, EditOutcome* outcome) {
  *outcome = EditOutcome{};
  warning_ = Status::Ok();
  CArchiveReader reader;
  std::unique_ptr<EditPlan> plan;
  Status status = OpenAndPlan(request, &reader, observer, &plan);
  if (!status.ok()) return status;
  // The pack closes the reader, and with it the names the plan refers to.
  EditOutcome changes;
  plan->Describe(&changes);
  CArchiveWriter writer(threads_, limits_);
  status = writer.Pack(plan->ToPackRequest(&reader), observer);
  if (!status.ok()) return status;
  warning_ = writer.warning();
  *outcome = std::move(changes);
  return Status::Ok();
}

Status RenamesFor(const std::vector<ArchiveEntry>& entries,
                  std::string_view from, std::string_view to,
                  std::vector<EditRequest::Rename>* renames) {
  renames->clear();
  for (const ArchiveEntry& entry : entries) {
    if (entry.name == from) {
      *renames = {{entry.name, std::string(to)}};
      return Status::Ok();
    }
  }
  // A folder: every entry beneath it, its part of their names replaced.
  std::string_view folder = from;
  while (!folder.empty() && folder.back() == '/') folder.remove_suffix(1);
  std::string_view target = to;
  while (!target.empty() && target.back() == '/') target.remove_suffix(1);
  for (const ArchiveEntry& entry : entries) {
    // An entry named as the folder itself is not beneath it.
    if (folder.empty() || entry.name.size() <= folder.size() ||
        !NamesEntry(folder, entry.name)) {
      continue;
    }
    const std::string_view rest =
        std::string_view(entry.name).substr(folder.size() + 1);
    renames->push_back({entry.name, target.empty()
                                        ? std::string(rest)
                                        : std::string(target) + "/" +
                                              std::string(rest)});
  }
  if (renames->empty()) {
    return Status::BadRequest(messages::kNotFoundInArchive, DisplayName(from));
  }
  return Status::Ok();
}

}  // namespace varnok
