#include "archive/archive_bytes.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace varnok {

bool CArchiveBytes::OpenFile(const std::string& path, std::string* reason) {
  Close();
  return file_.Open(path, reason);
}

bool CArchiveBytes::OpenStandardInput(std::string* reason) {
  Close();
  return file_.OpenStandardInput(reason);
}

void CArchiveBytes::OpenMemory(std::string_view block) {
  Close();
  // An empty block still counts as open: it reads as zero bytes.
  static const char kEmpty = 0;
  memory_ = block.empty() ? &kEmpty : block.data();
  memorySize_ = block.size();
}

void CArchiveBytes::OpenSource(std::unique_ptr<ByteSource> source) {
  Close();
  source_ = std::move(source);
}

uint64_t CArchiveBytes::size() const {
  if (source_ != nullptr) return source_->size();
  return memory_ != nullptr ? memorySize_ : file_.size();
}

bool CArchiveBytes::ReadAt(uint64_t offset, char* buffer, size_t n, size_t* got,
                           std::string* reason) {
  if (source_ != nullptr) return source_->ReadAt(offset, buffer, n, got, reason);
  if (memory_ == nullptr) return file_.ReadAt(offset, buffer, n, got, reason);
  *got = offset >= memorySize_
             ? 0
             : static_cast<size_t>(std::min<uint64_t>(n, memorySize_ - offset));
  if (*got > 0) std::memcpy(buffer, memory_ + offset, *got);
  return true;
}

void CArchiveBytes::WillRead(uint64_t offset, uint64_t length) const {
  if (file_.IsOpen()) file_.WillRead(offset, length);
}

void CArchiveBytes::Close() {
  std::string ignored;  // nothing was written: a failed close loses nothing
  file_.Close(&ignored);
  memory_ = nullptr;
  memorySize_ = 0;
  source_.reset();
}

}  // namespace varnok
