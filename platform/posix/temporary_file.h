// A file being written in an open folder that takes its final name only
// once it is complete.
//
// Where the file system allows it, the file has no name at all while it is
// written (O_TMPFILE): whatever ends the process, even SIGKILL or a power
// cut, nothing is left behind. Publish links it under a fresh temporary
// name and at once renames that over the final one. Where the file system
// refuses unnamed files, the file is written under a fresh temporary name
// from the start, listed for removal on a stop signal (cleanup_list.h) and
// removed when the object goes unpublished; only SIGKILL or a power cut
// can leave it behind, and RemoveLeftovers removes it later.
//
// Temporary names follow platform/temporary_name.h. While a file has one,
// its writer holds an exclusive lock (flock) on it, which tells a file
// being written from one left behind.

#ifndef VARNOK_PLATFORM_POSIX_TEMPORARY_FILE_H_
#define VARNOK_PLATFORM_POSIX_TEMPORARY_FILE_H_

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"
#include "platform/temporary_name.h"

namespace varnok {

// Opens an unnamed file for writing in folder, as openat(2) with O_TMPFILE
// does: a descriptor, or -1 with errno set. A test may put here a function
// that fails as a file system without unnamed files does.
extern int (*openUnnamedFile)(int folder, mode_t mode);

// Makes what was written to a file, or a folder's names, durable, as
// fsync(2) does: 0, or -1 with errno set. Every sync of the archive and of
// extracted files goes through it, so that a test may watch or fail them.
extern int (*syncFile)(int fd);

class TemporaryFile {
 public:
  TemporaryFile() = default;
  // Closes the file; one that was not published is gone after.
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Creates the file in folder, which the caller keeps open until the file
  // is published or gone, to become the file targetName there; mode as for
  // open(2), less the umask. False with the system's explanation in
  // *reason.
  bool Create(int folder, const std::string& targetName, mode_t mode,
              std::string* reason);
  int fd() const { return fd_.get(); }
  // True while the file has a name in its folder.
  bool named() const { return !name_.empty(); }

  // Starts writing the file's bytes to disk, without waiting, so that a
  // later Sync finds them on their way.
  void StartWriteBack();
  // Waits until the file's bytes are on disk (syncFile).
  bool Sync(std::string* reason);

  // Closes the file, counting the close's result, and gives it name in its
  // folder, in one step replacing whatever had that name; unless replace is
  // false: then it fails, with errno EEXIST, when the name is taken, and
  // the file stays open, unpublished, for another Publish (an unnamed file
  // is linked straight to name: no temporary name, no rename). The caller
  // syncs the data before (Sync) and the folder after, where it must. On
  // failure errno tells why.
  bool Publish(const std::string& name, bool replace, std::string* reason);

 private:
  bool CreateNamed(mode_t mode, std::string* reason);
  // Gives the unnamed file a fresh temporary name.
  bool LinkUnderTemporaryName(std::string* reason);
  // Tries fresh temporary names with make until one is taken (make
  // returns true) or a failure other than a name in use occurs.
  bool TakeFreshName(const std::function<bool(const std::string&)>& make,
                     std::string* reason);
  // Publish without replacing.
  bool LinkUnlessTaken(const std::string& name, std::string* reason);
  // Removes the temporary name, if the file has one.
  void RemoveName();

  int folder_ = -1;
  std::string targetName_;
  UniqueFd fd_;
  std::string name_;  // the temporary name, while the file has one
  int ticket_ = -1;   // its place on the cleanup list
};

// Removes from folder the temporary files of the file targetName that no
// writer holds: those a run ended by SIGKILL or a power cut left behind.
// Returns their names. A file whose lock can't be taken (held, or a file
// system without locks) stays.
std::vector<std::string> RemoveLeftovers(int folder,
                                         const std::string& targetName);

}  // namespace varnok

#endif  // VARNOK_PLATFORM_POSIX_TEMPORARY_FILE_H_
