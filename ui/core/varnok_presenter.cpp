#include "ui/core/varnok_presenter.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "archive/archive_self.h"
#include "base/messages.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "scan/pack_list.h"
#include "scan/path_order.h"
#include "ui/core/compress_choice.h"
#include "ui/core/dialog_messages.h"
#include "ui/core/dialog_view.h"
#include "ui/core/prompts.h"
#include "ui/core/run_monitor.h"

namespace varnok {
namespace {

// Sets *flag for as long as the object lives.
class BusyScope {
 public:
  explicit BusyScope(bool* flag) : flag_(flag) { *flag_ = true; }
  ~BusyScope() { *flag_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool* flag_;
};

}  // namespace

CVarnokPresenter::CVarnokPresenter(DialogView* view, Prompts* prompts)
    : view_(view),
      prompts_(prompts),
      pack_([](const PackRequest& request, PackObserver* observer) {
        return CArchiveWriter().Pack(request, observer);
      }),
      // The scanner's walk, shared with kzf so that both list the same files
      // in the same order.
      scan_(ListFilesToPack) {}

void CVarnokPresenter::SetPackFunction(PackFunction pack) {
  pack_ = std::move(pack);
}

void CVarnokPresenter::SetScanFunction(ScanFunction scan) {
  scan_ = std::move(scan);
}

void CVarnokPresenter::Start() {
  rows_.clear();
  view_->ShowRows(rows_);
  view_->SetBasePath(kDefaultBasePath);
  view_->SetCompressChecked(false);
  ChooseCompress(false);
  compressWatch_.emplace(
      [this](bool compress) { view_->SetCompressChecked(compress); });
}

void CVarnokPresenter::OnSelectFiles() {
  std::string folder;
  if (!prompts_->ChooseFolder(&folder)) return;
  SelectFolder(folder);
}

void CVarnokPresenter::SelectFolder(const std::string& folder) {
  PackList list;
  CScanMonitor monitor;
  Status ran;
  {
    const BusyScope busy(&busy_);
    ran = view_->RunInBackground(
        [this, &list, &folder, &monitor] {
          try {
            list = scan_(folder, &monitor);
          } catch (const std::bad_alloc&) {
            list = PackList();
          }
        },
        &monitor);
  }
  if (!ran.ok()) {
    Show(FailureMessage(ran));
    return;
  }
  // Whatever the scan had found when Cancel came, the rows stay as they
  // were: a part of the files would pass for all of them.
  if (monitor.cancelled()) return;
  rows_ = std::move(list.paths);
  if (!std::is_sorted(rows_.begin(), rows_.end(), PathLess)) {
    SortPaths(rows_);
  }
  view_->ShowRows(rows_);
  // The list keeps what was found; the user learns what is missing.
  if (!list.unreadableFolders.empty()) {
    Show(UnreadableFoldersMessage(list.unreadableFolders));
  }
}

void CVarnokPresenter::OpenFolder(const std::string& name) {
  std::string folder;
  const Status found = FindFolderToPack(name, &folder);
  if (!found.ok()) {
    Show(FailureMessage(found));
    return;
  }
  SelectFolder(folder);
}

void CVarnokPresenter::OnPack() {
  const std::optional<std::string> archiveName = prompts_->ChooseArchiveName();
  if (!archiveName) return;
  if (view_->BasePath().empty()) {
    Show({messages::kEmptyBasePath, {}});
    return;
  }

  Status status;
  PackRequest request;
  std::vector<std::string> temporaryFiles;
  try {
    status = Pack(*archiveName, &request, &temporaryFiles);
  } catch (const std::bad_alloc&) {
    status = Status::OutOfMemory();
  }
  if (status.ok()) {
    Show(DoneMessage(temporaryFiles));
  } else if (!status.cancelled()) {
    Show(PackFailureMessage(status, request));
  }
}

Status CVarnokPresenter::Pack(const std::string& archiveName,
                              PackRequest* packed,
                              std::vector<std::string>* temporaryFiles) {
  PackRequest& request = *packed;
  request.paths = rows_;
  request.archiveName = archiveName;
  request.basePath = view_->BasePath();
  request.compress = view_->CompressChecked();
  // What a killed run left beside the archive goes; the dialog says no more
  // of it than its usual message.
  CAtomicFile::RemoveLeftovers(request.archiveName);
  // An archive saved inside the packed folder is not packed into the new
  // one, nor are its temporary files; a file being packed is not
  // overwritten by it.
  Status status = CArchiveSelf(request.archiveName)
                      .LeaveOut(request.paths, temporaryFiles);
  if (!status.ok()) return status;

  const BusyScope busy(&busy_);
  CPackMonitor monitor;
  const Status ran = view_->RunInBackground(
      [this, &request, &monitor, &status] {
        try {
          status = pack_(request, &monitor);
        } catch (const std::bad_alloc&) {
          status = Status::OutOfMemory();
        }
      },
      &monitor);
  return ran.ok() ? status : ran;
}

void CVarnokPresenter::OnCompress() {
  if (!view_->CompressChecked()) {
    Show({messages::kCompressWarning, {}});
    view_->SetCompressChecked(true);
  } else {
    view_->SetCompressChecked(false);
  }
  ChooseCompress(view_->CompressChecked());
}

std::string CVarnokPresenter::StoredNameHint(size_t row) const {
  if (row >= rows_.size()) return std::string();
  const std::string basePath = view_->BasePath();
  if (basePath.empty()) return messages::kNoBasePathForHint;
  std::string name;
  const Status status = StoredName(rows_[row], basePath, &name);
  if (!status.ok()) return status.message();
  return Substitute(messages::kStoredAs, {FromArchiveEncoding(name)});
}

void CVarnokPresenter::Show(const Message& message) {
  prompts_->ShowMessage(message.text, message.informative);
}

}  // namespace varnok
