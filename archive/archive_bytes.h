// Where an archive's bytes come from: a file, standard input, a block of
// memory that the caller owns, or a source of the caller's that reads them.
//
// Reads are positional, and several threads may read at once. A memory block
// is neither copied nor freed: it must stay unchanged until Close or until
// another Open. A source is destroyed by Close (and by another Open).

#ifndef VARNOK_ARCHIVE_ARCHIVE_BYTES_H_
#define VARNOK_ARCHIVE_ARCHIVE_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/read_file.h"

namespace varnok {

// Bytes that someone else reads: several threads may call ReadAt at once.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The number of bytes; fixed.
  virtual uint64_t size() const = 0;
  // As CArchiveBytes::ReadAt.
  virtual bool ReadAt(uint64_t offset, char* buffer, size_t n, size_t* got,
                      std::string* reason) = 0;
};

class CArchiveBytes {
 public:
  // As CReadFile's: false with the system's explanation in *reason.
  bool OpenFile(const std::string& path, std::string* reason);
  bool OpenStandardInput(std::string* reason);
  // The bytes of block, read where they lie.
  void OpenMemory(std::string_view block);
  // The bytes source reads; source is not null.
  void OpenSource(std::unique_ptr<ByteSource> source);

  // Whether a file, block or source is open (a failed Open, and Close,
  // leave none).
  bool IsOpen() const {
    return memory_ != nullptr || source_ != nullptr || file_.IsOpen();
  }
  // The number of bytes when opened.
  uint64_t size() const;
  // Reads up to n bytes at offset into buffer; *got is less than n only
  // where the bytes end.
  bool ReadAt(uint64_t offset, char* buffer, size_t n, size_t* got,
              std::string* reason);
  // A hint that the length bytes at offset will be read soon (files only).
  void WillRead(uint64_t offset, uint64_t length) const;
  void Close();

 private:
  CReadFile file_;
  // The block while one is open; null otherwise.
  const char* memory_ = nullptr;
  size_t memorySize_ = 0;
  // The source while one is open; null otherwise.
  std::unique_ptr<ByteSource> source_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_BYTES_H_
