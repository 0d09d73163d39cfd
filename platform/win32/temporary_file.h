// A file being written in a folder that takes its final name only once it
// is complete, under a fresh temporary name until then
// (platform/temporary_name.h).
//
// It is opened without sharing, so no other program can open, or remove,
// it while it is written; and it is marked for deletion on close, so that
// the system removes it however the process ends. Where the file system
// can't mark it, it is removed by name when the object goes unpublished,
// and only a killed process leaves it behind, for RemoveLeftovers. Publish
// renames it through its own handle: it is never without a writer while it
// has a temporary name (but on a file system that can't rename open files).

#ifndef VARNOK_PLATFORM_WIN32_TEMPORARY_FILE_H_
#define VARNOK_PLATFORM_WIN32_TEMPORARY_FILE_H_

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace varnok {

// Makes what was written to a file durable, as FlushFileBuffers does. Every
// sync of the archive and of extracted files goes through it, so that a
// test may watch or fail them.
extern BOOL(WINAPI* flushFile)(HANDLE file);

// Marks the open file for deletion when its last handle closes, or clears
// the mark.
bool SetDeleteOnClose(HANDLE file, bool remove);

class TemporaryFile {
 public:
  TemporaryFile() = default;
  // Closes the file; one that was not published is gone after.
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Creates the file in folder (a path, empty for the current folder) to
  // become the file targetName there, with attributes (FILE_ATTRIBUTE_*;
  // not read-only). False with the system's explanation in *reason.
  bool Create(const std::string& folder, const std::string& targetName,
              DWORD attributes, std::string* reason);
  HANDLE handle() const { return handle_.get(); }

  // Waits until the file's bytes are on disk (flushFile).
  bool Sync(std::string* reason);

  // Gives the file the path target, in its folder, in one step replacing
  // whatever had it, unless replace is false: then it fails, with
  // ERROR_ALREADY_EXISTS, when the name is taken; and closes it, counting
  // the close's result. The caller syncs the data before. False with the
  // system's error in *error.
  bool Publish(const std::wstring& target, bool replace, DWORD* error);

 private:
  UniqueHandle handle_;
  std::wstring path_;  // the temporary name's path, until published
  bool deleteOnClose_ = false;
};

// Removes from folder (a path, empty for the current folder) the temporary
// files of the file targetName that no writer holds open: those a killed
// run left behind. Returns their names.
std::vector<std::string> RemoveLeftovers(const std::string& folder,
                                         const std::string& targetName);

}  // namespace varnok

#endif  // VARNOK_PLATFORM_WIN32_TEMPORARY_FILE_H_
