// A file that appears under its name only once it is complete.
//
// The bytes go to a temporary file in the target's folder (named as
// platform/temporary_name.h says): an unnamed one where the file system
// allows, which no way of ending the process can leave behind; elsewhere a
// named one, which a stop signal removes (platform/process.h) and which
// only SIGKILL or a power cut can leave, for RemoveLeftovers to remove.
// Commit flushes it, syncs it to disk, puts it in the target's place in one
// step and syncs the folder (on POSIX; Windows has no call that syncs a
// folder's names). Until then the target, if it exists, is not touched; a
// file that is never committed is removed, whatever happened.
//
// Writes pass through a fixed-size buffer. Every write, seek, sync and close
// is checked: a failure on the way is "Can't write file", a temporary file
// that can't be created "Can't open file", both with the target as detail
// and the system's explanation as reason.

#ifndef VARNOK_PLATFORM_ATOMIC_FILE_H_
#define VARNOK_PLATFORM_ATOMIC_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"

namespace varnok {

class CAtomicFile {
 public:
  // target: the file to create or replace; a full path or one relative to
  // the current folder.
  explicit CAtomicFile(std::string target);
  // Removes the temporary file unless Commit succeeded.
  ~CAtomicFile();
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Creates the temporary file. A new target gets the permissions of a new
  // file; a replaced one keeps its own: its mode on POSIX, its attributes
  // (read-only, hidden, system, ...) on Windows. A read-only target is
  // replaced, and stays read-only. A target that is a symbolic link is
  // replaced where the link points, and the link stays; a link that leads
  // nowhere is refused.
  Status Open();
  // Writes n bytes at the current position.
  Status Write(const char* data, size_t n);
  // Moves the position to offset; writing past the end leaves a hole that
  // reads as zeros until it is written.
  Status Seek(uint64_t offset);
  // Makes the written bytes the target, durably. The object is done after.
  // Once the target is replaced, Commit succeeds: a folder that can't be
  // synced after is not a failure, but warning() says so.
  Status Commit();
  // After Commit: "Replaced, but the folder could not be synced", with the
  // target as detail and the system's reason; Ok when there is nothing to
  // say.
  const Status& warning() const { return warning_; }

  // True when path names a temporary file that a CAtomicFile for target
  // makes, or that a run killed before its end left behind.
  static bool IsTemporaryFileOf(const std::string& target,
                                const std::string& path);
  // Removes the temporary files beside target that runs ended by SIGKILL or
  // a power cut left behind, where the file system has no unnamed files;
  // never one that a running writer still holds. Returns their paths,
  // spelt as target is.
  static std::vector<std::string> RemoveLeftovers(const std::string& target);

 private:
  static constexpr size_t kBufferSize = 256 * 1024;
  // The open temporary file, in the system's terms.
  struct SystemFile;

  Status Flush();
  Status CantOpen(const std::string& reason) const;
  Status CantWrite(const std::string& reason) const;

  // The system's side, one implementation per platform (with the
  // constructor and destructor, which own the SystemFile). Each returns false
  // with the system's explanation in *reason.
  // Creates the temporary file beside resolved_; replacing: the target
  // exists and its permissions carry over.
  bool CreateTemporary(bool replacing, std::string* reason);
  bool WriteThrough(const char* data, size_t n, std::string* reason);
  bool SeekTo(uint64_t offset, std::string* reason);
  // Syncs and closes the temporary file and puts it in resolved_'s place.
  bool Replace(std::string* reason);
  // Makes the new name durable, where the system needs a call for it.
  bool SyncFolder(std::string* reason);
  // Closes and removes the temporary file, if any.
  void Discard();

  const std::string target_;
  std::string resolved_;  // target_, or where its symbolic link points
  std::unique_ptr<SystemFile> file_;
  std::unique_ptr<char[]> buffer_;
  size_t buffered_ = 0;
  Status warning_;
};

}  // namespace varnok

#endif  // VARNOK_PLATFORM_ATOMIC_FILE_H_
