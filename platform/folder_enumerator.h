// Lists the entries of one folder.
//
// This is the scanner's only door to the file system. A FolderEnumerator
// opens one folder and yields its entries one by one, in the order the file
// system delivers them; "." and ".." are never yielded. A folder that can't
// be opened (missing, not a folder, no permission, path too long) has no
// entries, and error() says why; so does a folder whose reading failed
// part-way, after the entries read before the failure. The POSIX
// implementation reads the folder with readdir and asks statx questions
// relative to the open folder; the Windows one uses FindFirstFileExW (basic
// information, fetched in large batches), FindNextFileW and FindClose.
//
// Attribute bits (only kAttributeFolder is read by anything) are Windows'
// own: there the listing reports them as they are (a new file carries
// "archive", 0x20, too). On POSIX they are made up from the entry:
//   kAttributeReadOnly  0x01  the owner may not write the entry
//   kAttributeHidden    0x02  the name begins with a dot
//   kAttributeFolder    0x10  the entry is a folder
//   kAttributeNormal    0x80  a file with none of the bits above
//
// Times are 100-nanosecond intervals since 1601-01-01 UTC. The creation time
// is the file system's birth time where it records one (statx; always on
// Windows), else the last-write time.

#ifndef VARNOK_PLATFORM_FOLDER_ENUMERATOR_H_
#define VARNOK_PLATFORM_FOLDER_ENUMERATOR_H_

#include <cstdint>
#include <memory>
#include <string>

namespace varnok {

inline constexpr uint32_t kAttributeReadOnly = 0x01;
inline constexpr uint32_t kAttributeHidden = 0x02;
inline constexpr uint32_t kAttributeFolder = 0x10;
inline constexpr uint32_t kAttributeNormal = 0x80;

enum class EntryType : uint8_t {
  kFolder,        // a folder itself; a link to a folder is kLinkToFolder
  kFile,          // a regular file, or a symbolic link that leads to one
  kLinkToFolder,  // a symbolic link that leads to a folder
  kBrokenLink,    // a symbolic link that leads nowhere
  kFifo,
  kSocket,
  kDevice,        // a character or block device
  kOther,         // anything else, such as a link to a FIFO
};

// One entry of a folder.
struct FolderEntry {
  std::string name;
  EntryType type = EntryType::kOther;
  uint32_t attributes = 0;     // kAttribute* bits
  uint64_t creationTime = 0;   // 100 ns intervals since 1601-01-01 UTC
  uint64_t lastWriteTime = 0;  // same form
  uint64_t size = 0;           // bytes; 0 for folders. A link reports its file.
};

class FolderEnumerator {
 public:
  enum Details {
    kTypeOnly,  // name, type and kAttributeFolder; the rest is zero
    kFull,      // every field of FolderEntry
  };

  // Opens folder. Asking for kTypeOnly saves a status call for most entries.
  FolderEnumerator(const std::string& folder, Details details);
  ~FolderEnumerator();

  FolderEnumerator(const FolderEnumerator&) = delete;
  FolderEnumerator& operator=(const FolderEnumerator&) = delete;

  // False when the folder could not be opened (it then has no entries), and
  // once it has been read to its end.
  bool IsOpen() const { return folder_ != nullptr; }

  // Fills *entry with the next entry and returns true, or returns false when
  // there is none left. A failure to read further ends the folder as though
  // it had no more entries, and sets error(); an entry that vanishes while
  // it is read is passed over.
  bool Next(FolderEntry* entry);

  // Why the folder could not be opened, or why its reading stopped before
  // the end; empty while all is well.
  const std::string& error() const { return error_; }

 private:
  // The open folder, in the system's terms.
  struct SystemFolder;

  std::unique_ptr<SystemFolder> folder_;
  Details details_;
  std::string error_;
};

}  // namespace varnok

#endif  // VARNOK_PLATFORM_FOLDER_ENUMERATOR_H_
