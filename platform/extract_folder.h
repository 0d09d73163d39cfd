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
// before; on Windows each stays open, and so can be neither renamed nor
// replaced, until the file is in place. Names are spelt as the archive
// spells them and turned into the system's spelling (FromArchiveEncoding).
//
// Each file is written to a temporary file beside it (an unnamed one where
// the file system allows) and takes its name only once all its bytes have
// been written and checked: an error or a stop signal leaves no
// half-written file, and an existing file of that name stays as it was.
// Once complete, the file replaces an existing one of its name, or, when
// asked to keep existing files, never does: not even one that appears while
// it is written.

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

  // Creates the file stored as name, with the folders on its way. produce
  // writes the file's bytes into the sink it is given; the file appears
  // under its name only when produce succeeds. With Existing::kKeep, a name
  // that is taken fails with "File exists, not replaced" and its path,
  // before produce runs when it is taken already.
  Status Extract(std::string_view name,
                 const std::function<Status(ByteSink&)>& produce,
                 Existing existing = Existing::kReplace);

 private:
  // The open folder, in the system's terms.
  struct SystemFolder;

  // The path shown in messages for name, beneath the folder.
  std::string DisplayPath(std::string_view name) const;

  std::string folder_;
  std::unique_ptr<SystemFolder> root_;
};

// The components of a stored name, without empty and "." ones ("a//./b" is
// a, b).
std::vector<std::string_view> NameComponents(std::string_view name);

}  // namespace varnok

#endif  // VARNOK_PLATFORM_EXTRACT_FOLDER_H_
