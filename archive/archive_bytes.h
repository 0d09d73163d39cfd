// Where an archive's bytes come from: a file, standard input, or a block of
// memory that the caller owns.
//
// Reads are positional, and several threads may read at once. A memory block
// is neither copied nor freed: it must stay unchanged until Close or until
// another Open.

#ifndef VARNOK_ARCHIVE_ARCHIVE_BYTES_H_
#define VARNOK_ARCHIVE_ARCHIVE_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/read_file.h"

namespace varnok {

class CArchiveBytes {
 public:
  // As CReadFile's: false with the system's explanation in *reason.
  bool OpenFile(const std::string& path, std::string* reason);
  bool OpenStandardInput(std::string* reason);
  // The bytes of block, read where they lie.
  void OpenMemory(std::string_view block);

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
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_BYTES_H_
