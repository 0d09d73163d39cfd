// A regular file opened for reading.
//
// Opening never blocks (a FIFO named like a file can't hang a run) and
// refuses anything but a regular file. Reads ride out interruptions. Calls
// that fail return false and put the system's explanation in *reason.

#ifndef VARNOK_PLATFORM_READ_FILE_H_
#define VARNOK_PLATFORM_READ_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace varnok {

class CReadFile {
 public:
  CReadFile();
  // Closes the file, if one is open.
  ~CReadFile();
  CReadFile(const CReadFile&) = delete;
  CReadFile& operator=(const CReadFile&) = delete;

  // Opens path, closing any file opened before.
  bool Open(const std::string& path, std::string* reason);
  // Opens standard input in the same way: a regular file that it reads from
  // the start is that file itself; anything else (a pipe, a file read part
  // way) is read to its end first, into a temporary file that no name leads
  // to, which goes when it is closed. A terminal is refused.
  bool OpenStandardInput(std::string* reason);
  bool IsOpen() const { return file_ != nullptr; }
  // The file's size when it was opened.
  uint64_t size() const { return size_; }

  // Reads up to n bytes at the current position into buffer; *got is 0 only
  // at the end of the file.
  bool Read(char* buffer, size_t n, size_t* got, std::string* reason);
  // Reads up to n bytes at offset, leaving the position alone; *got is less
  // than n only where the file ends. Several threads may call it at once.
  bool ReadAt(uint64_t offset, char* buffer, size_t n, size_t* got,
              std::string* reason);
  // Tells the system that the length bytes at offset will be read soon, so
  // that it may start reading them now; a hint, which a system without one
  // ignores.
  void WillRead(uint64_t offset, uint64_t length) const;
  // Closes the file now, for a close whose result counts.
  bool Close(std::string* reason);

 private:
  // The open file, in the system's terms.
  struct SystemFile;
  std::unique_ptr<SystemFile> file_;
  uint64_t size_ = 0;
};

}  // namespace varnok

#endif  // VARNOK_PLATFORM_READ_FILE_H_
