// Writes extracted entries beneath one folder, and nowhere else.
//
// A stored name comes from an untrusted archive. A name that is empty,
// absolute, holds a ".." component, names no file or can't name a file on
// this system (IsPortableComponent: on Windows a drive letter, a ':', a
// reserved device name such as CON) is refused before anything is written
// (CheckExtractName); so is one whose folders pass through a symbolic link
// (or a junction) beneath the folder. Folders are opened one at a time and
// never through a link, so a link can't redirect a write even when it
// appears during extraction: on POSIX each is opened relative to the one
// before, and those of the last file stay open for the next, so that files
// of one folder open it once (a folder renamed away meanwhile is still the
// one checked, and a link put in its place is never followed); on Windows
// each stays open, and so can be neither renamed nor replaced, until the
// file is in place. Names are spelt as the archive spells them and turned
// into the system's spelling (FromArchiveEncoding).
//
// One object is used by one thread at a time; several objects may write
// beneath one folder at once (CArchiveExtractor gives each thread its own).
//
// Each file is written to a temporary file beside it (an unnamed one where
// the file system allows, linked straight to its name when nothing has it;
// named as platform/temporary_name.h says) and
// takes its name only once all its bytes have been written and checked: an
// error or a stop signal leaves no half-written file, and an existing file
// of that name stays as it was. Once complete, the file replaces an
// existing one of its name, or, when asked to keep existing files, never
// does: not even one that appears while it is written.
//
// A file that replaces an existing one is synced to disk before it takes
// the name, so that a crash leaves the old file or the new one, never an
// empty one. So that many of them stay fast, they go in batches, as package
// managers do: each batch's files are all written, then all synced, then
// all renamed; the syncs run on a few threads at once, so that their waits
// for the disk overlap. A new file is not synced: a crash may lose it, but
// no other.

#ifndef VARNOK_PLATFORM_EXTRACT_FOLDER_H_
#define VARNOK_PLATFORM_EXTRACT_FOLDER_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_sink.h"
#include "base/status.h"

namespace varnok {

// Ok when name may become a file beneath the extraction folder; otherwise
// "Unsafe name, not extracted" with the name as detail and why as reason.
Status CheckExtractName(std::string_view name);

class CExtractFolder {
 public:
  CExtractFolder();
  ~CExtractFolder();
  CExtractFolder(const CExtractFolder&) = delete;
  CExtractFolder& operator=(const CExtractFolder&) = delete;

  // Opens folder (creating it and its parents when missing) as the place
  // files are extracted to.
  Status Open(const std::string& folder);

  // What becomes of an existing file (or folder, or link) of a name.
  enum class Existing { kReplace, kKeep };

  // Hears how one file ended: Ok once it has its name, or why not.
  using Done = std::function<void(const Status&)>;

  // Creates the file stored as name, with the folders on its way. produce
  // writes the file's bytes into the sink it is given; the file appears
  // under its name only when produce succeeds. With Existing::kKeep, a name
  // that is taken fails with "File exists, not replaced" and its path,
  // before produce runs when it is taken already. done hears of the file
  // once: before Extract returns, or, for a file that replaces another and
  // waits for its batch, when the batch ends (in a later Extract or in
  // Finish).
  void Extract(std::string_view name,
               const std::function<Status(ByteSink&)>& produce,
               const Done& done, Existing existing = Existing::kReplace);
  // Ends the batch: every file still waiting takes its name, or fails.
  // Files still waiting when the object goes are removed, unheard of.
  void Finish();

 private:
  // The open folder, in the system's terms.
  struct SystemFolder;
  // A file written in full that waits, in the system's terms, for its
  // batch to be synced before it replaces the file of its name.
  struct WaitingFile;
  // Removes a waiting file that never took its name; per system.
  struct Discard {
    void operator()(WaitingFile* file) const;
  };
  using WaitingPtr = std::unique_ptr<WaitingFile, Discard>;
  struct Batched {
    WaitingPtr file;
    Done done;
  };

  // Syncs every file of batch, several at once; each one's result.
  std::vector<Status> SyncBatch(const std::vector<Batched>& batch);
  // Writes the file stored as name; places it at once, unless it replaces
  // an existing file: then it is handed back in *waiting.
  Status Write(std::string_view name,
               const std::function<Status(ByteSink&)>& produce,
               Existing existing, WaitingPtr* waiting);

  // The system's side, one implementation per platform (with the
  // constructor, the destructor, Open and DisplayPath).
  // Opens (creating them when missing) the folders on the way to the file
  // stored as name, which CheckExtractName has passed, refusing links; the
  // file to be, with its folder held open, in *file.
  // The folders of the last file stay open for the next one (on POSIX).
  Status OpenFolders(std::string_view name, WaitingPtr* file);
  // True when something (a file, a folder, a link) has the file's name.
  bool NameTaken(const WaitingFile& file) const;
  // Creates the temporary file and has produce write into it.
  Status WriteTemporary(WaitingFile& file,
                        const std::function<Status(ByteSink&)>& produce);
  // Starts writing the file's bytes to disk, for Sync to wait for.
  void StartSync(WaitingFile& file);
  // Waits until the file's bytes are on disk. Called on several threads at
  // once, each for its own file.
  Status Sync(WaitingFile& file);
  // Gives the file its name unless the name is taken: then *taken, and the
  // file stays as it was, for Publish once synced.
  Status PlaceUnlessTaken(WaitingFile& file, bool* taken);
  // Gives the file its name; with Existing::kKeep, never in place of
  // another ("File exists, not replaced").
  Status Publish(WaitingFile& file, Existing existing);
  // Files a batch may hold: as many as the process has room to keep open.
  size_t BatchLimit() const;

  // The path shown in messages for name, beneath the folder.
  std::string DisplayPath(std::string_view name) const;

  std::string folder_;
  std::unique_ptr<SystemFolder> root_;
  std::vector<Batched> batch_;
};

// The components of a stored name, without empty and "." ones ("a//./b" is
// a, b).
std::vector<std::string_view> NameComponents(std::string_view name);

}  // namespace varnok

#endif  // VARNOK_PLATFORM_EXTRACT_FOLDER_H_
