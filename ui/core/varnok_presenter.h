// The main dialog's decisions, shared by both faces: what each command does,
// which rows the list holds and in what order, what a pack is asked and
// which message follows it.
//
// "&Select files to pack" (OnSelectFiles) runs the picker and lists every
// file beneath the folder picked, in the list's order (scan/path_order.h);
// "&Compress" (OnCompress) switches the compress option, the program's
// (compress_choice.h), warning each time it is switched on, and shows it
// however it was set (an archive window's menu sets it too); "&Varnok"
// (OnPack) asks for an archive name, then packs the rows, in list order,
// with the base path and the compress option. Each
// face wires its controls to these commands and implements DialogView and
// Prompts; the presenter keeps the rows, the face only shows them.
//
// Scans and packs run off the interface thread (DialogView::RunInBackground)
// and show their progress, with a Cancel, once they take longer than half a
// second. Cancelling the picker or the save dialog does nothing; cancelling
// a scan leaves the rows as they were before it, and cancelling a pack
// leaves no archive behind; neither shows a message.
// A pack that succeeds says "Done!", naming below it the rows it left out
// as the archive's temporary files.

#ifndef VARNOK_UI_CORE_VARNOK_PRESENTER_H_
#define VARNOK_UI_CORE_VARNOK_PRESENTER_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "base/status.h"
#include "scan/pack_list.h"
#include "ui/core/compress_choice.h"

namespace varnok {

class DialogView;
class Prompts;
struct Message;

// Carries out one pack run; the presenter uses a fresh CArchiveWriter unless
// it is given another.
using PackFunction =
    std::function<Status(const PackRequest&, PackObserver*)>;
// Lists the files beneath a folder as ListFilesToPack does, telling the
// observer of its progress; the presenter calls ListFilesToPack unless it is
// given another.
using ScanFunction =
    std::function<PackList(const std::string& folder, ScanObserver*)>;

// The base path the dialog opens with.
inline constexpr char kDefaultBasePath[] = "data/";

class CVarnokPresenter {
 public:
  // view and prompts must outlive the presenter.
  CVarnokPresenter(DialogView* view, Prompts* prompts);
  CVarnokPresenter(const CVarnokPresenter&) = delete;
  CVarnokPresenter& operator=(const CVarnokPresenter&) = delete;

  void SetPackFunction(PackFunction pack);
  void SetScanFunction(ScanFunction scan);

  // Puts the start values into the view: no rows, base path "data/", the
  // compress option off; from then on the view's check box follows the
  // option whoever sets it.
  void Start();

  // The commands.
  void OnSelectFiles();
  void OnPack();
  void OnCompress();

  // Replaces the rows by every file beneath folder, as a confirmed selection
  // does (also a folder dropped onto the list). Folders that could not be
  // read are named in a message; the rows keep what was found. A cancelled
  // scan leaves the rows as they were.
  void SelectFolder(const std::string& folder);
  // Selects the folder a user named (full or relative to the current
  // folder) by its full path, as if it had been picked; a name that is no
  // folder is refused with a message, and the rows stay as they were.
  void OpenFolder(const std::string& name);

  // What the list's hint over row says: the name its file is stored under
  // with the view's base path, or why there is none.
  std::string StoredNameHint(size_t row) const;

  // The rows, full paths from the first row to the last.
  const std::vector<std::string>& rows() const { return rows_; }
  // True while a scan or a pack runs; the dialog then does not close and
  // takes no dropped folder.
  bool busy() const { return busy_; }

 private:
  // Checks and packs the rows into archiveName, with *request made from
  // them and the view; the rows left out as the archive's temporary files
  // in *temporaryFiles.
  Status Pack(const std::string& archiveName, PackRequest* request,
              std::vector<std::string>* temporaryFiles);
  void Show(const Message& message);

  DialogView* const view_;
  Prompts* const prompts_;
  PackFunction pack_;
  ScanFunction scan_;
  std::vector<std::string> rows_;
  bool busy_ = false;
  std::optional<CCompressWatch> compressWatch_;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_VARNOK_PRESENTER_H_
