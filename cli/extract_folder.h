// Writes extracted entries beneath one folder, and nowhere else.
//
// A stored name comes from an untrusted archive. A name that is empty,
// absolute, holds a ".." component or names no file is refused before
// anything is written; so is one whose folders pass through a symbolic link
// beneath the folder. Folders are opened one at a time, relative to the one
// before and without following links, so a link can't redirect a write even
// when it appears during extraction.
//
// Each file is written to a temporary file beside it and renamed into place
// only once all its bytes have been written and checked: an error leaves no
// half-written file, and an existing file of that name stays as it was.

#ifndef VARNOK_CLI_EXTRACT_FOLDER_H_
#define VARNOK_CLI_EXTRACT_FOLDER_H_

#include <functional>
#include <string>
#include <string_view>

#include "archive/archive_reader.h"
#include "archive/status.h"

namespace varnok {

namespace extract_messages {
inline constexpr char kUnsafeName[] = "Unsafe name, not extracted";
inline constexpr char kCantCreateFolder[] = "Can't create folder";
inline constexpr char kCantWriteFile[] = "Can't write file";
}  // namespace extract_messages

// Ok when name may become a file beneath the extraction folder; otherwise
// kUnsafeName with the name and the reason.
Status CheckExtractName(std::string_view name);

class CExtractFolder {
 public:
  CExtractFolder() = default;
  ~CExtractFolder();
  CExtractFolder(const CExtractFolder&) = delete;
  CExtractFolder& operator=(const CExtractFolder&) = delete;

  // Opens folder (creating it and its parents when missing) as the place
  // files are extracted to.
  Status Open(const std::string& folder);

  // Creates the file stored as name, with the folders on its way. produce
  // writes the file's bytes into the sink it is given; the file appears
  // under its name only when produce succeeds.
  Status Extract(std::string_view name,
                 const std::function<Status(EntrySink&)>& produce);

 private:
  // The path shown in messages for name, beneath the folder.
  std::string DisplayPath(std::string_view name) const;

  std::string folder_;
  int fd_ = -1;
};

}  // namespace varnok

#endif  // VARNOK_CLI_EXTRACT_FOLDER_H_
