// A file that appears under its name only once it is complete.
//
// The bytes go to a temporary file beside the target (".NAME.XXXXXX" in the
// target's folder). Commit flushes it, syncs it to disk, renames it over the
// target and syncs the folder. Until then the target, if it exists, is not
// touched; a file that is never committed is removed, whatever happened.
//
// Writes pass through a fixed-size buffer. Every write, seek, sync and close
// is checked: a failure on the way is "Can't write file", a temporary file
// that can't be created "Can't open file", both with the target as detail.

#ifndef VARNOK_ARCHIVE_ATOMIC_FILE_H_
#define VARNOK_ARCHIVE_ATOMIC_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/status.h"

namespace varnok {

class CAtomicFile {
 public:
  // target: the file to create or replace; a full path or one relative to
  // the current directory.
  explicit CAtomicFile(std::string target);
  // Removes the temporary file unless Commit succeeded.
  ~CAtomicFile();
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Creates the temporary file. A new target gets the permissions of a new
  // file (0644 less the umask); a replaced one keeps its own. A target that
  // is a symbolic link is replaced where the link points.
  Status Open();
  // Writes n bytes at the current position.
  Status Write(const char* data, size_t n);
  // Moves the position to offset; writing past the end leaves a hole that
  // reads as zeros until it is written.
  Status Seek(uint64_t offset);
  // Makes the written bytes the target, durably. The object is done after.
  Status Commit();

  // The temporary file, while it exists; for tests.
  const std::string& temp_path() const { return tempPath_; }

 private:
  static constexpr size_t kBufferSize = 256 * 1024;

  Status Flush();
  Status WriteError() const;
  // Closes and removes the temporary file, if any.
  void Discard();

  const std::string target_;
  std::string resolved_;  // target_, or where its symbolic link points
  std::string tempPath_;
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  size_t buffered_ = 0;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ATOMIC_FILE_H_
