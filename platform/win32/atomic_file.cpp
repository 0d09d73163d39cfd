#include "platform/atomic_file.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/messages.h"
#include "platform/file_system.h"
#include "platform/temporary_name.h"
#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"

namespace varnok {
namespace {

// Tries before giving up on finding an unused temporary name.
constexpr int kNameAttempts = 100;

// Marks the open file for deletion when its last handle closes, or clears
// the mark.
bool SetDeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

}  // namespace

// While it is being written the temporary file is marked for deletion, so
// that the system removes it even when the process is killed; Replace
// clears the mark just before it renames the file.
struct CAtomicFile::SystemFile {
  UniqueHandle handle;
  std::wstring path;  // the temporary file's name, while it has one
  bool deleteOnClose = false;
};

CAtomicFile::CAtomicFile(std::string target) : target_(std::move(target)) {}

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::CreateTemporary(bool /*replacing*/, std::string* reason) {
  // A replaced archive takes the permissions its folder gives new files,
  // as the rename carries the temporary file's own.
  const PathParts parts = SplitPath(resolved_);
  const std::string start = TemporaryNameStart(parts.name);
  auto file = std::make_unique<SystemFile>();
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = start + RandomSuffix();
    const std::optional<std::wstring> candidate =
        SystemPath(parts.folder.empty() ? name : JoinPath(parts.folder, name));
    if (!candidate) {
      *reason = messages::kInvalidFileName;
      return false;
    }
    file->handle.reset(::CreateFileW(candidate->c_str(), GENERIC_WRITE | DELETE,
                                     0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file->handle.valid()) {
      file->path = *candidate;
      break;
    }
    error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  if (!file->handle.valid()) {
    *reason = ErrorText(error);
    return false;
  }
  // Where the file system can't mark it, Discard removes it by name.
  file->deleteOnClose = SetDeleteOnClose(file->handle.get(), true);
  file_ = std::move(file);
  return true;
}

bool CAtomicFile::WriteThrough(const char* data, size_t n,
                               std::string* reason) {
  while (n > 0) {
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file_->handle.get(), data, ask, &written, nullptr) ||
        written == 0) {
      *reason = LastErrorText();
      return false;
    }
    data += written;
    n -= written;
  }
  return true;
}

bool CAtomicFile::SeekTo(uint64_t offset, std::string* reason) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  if (::SetFilePointerEx(file_->handle.get(), distance, nullptr, FILE_BEGIN)) {
    return true;
  }
  *reason = LastErrorText();
  return false;
}

bool CAtomicFile::Replace(std::string* reason) {
  const std::optional<std::wstring> target = SystemPath(resolved_);
  if (!target) {
    *reason = messages::kInvalidFileName;
    return false;
  }
  if (!::FlushFileBuffers(file_->handle.get()) ||
      (file_->deleteOnClose && !SetDeleteOnClose(file_->handle.get(), false))) {
    *reason = LastErrorText();
    return false;
  }
  file_->deleteOnClose = false;
  if (!file_->handle.Close() ||
      !::MoveFileExW(file_->path.c_str(), target->c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *reason = LastErrorText();
    return false;
  }
  file_->path.clear();
  return true;
}

void CAtomicFile::Discard() {
  if (file_ == nullptr) return;
  const bool removedOnClose = file_->deleteOnClose && file_->handle.valid();
  file_->handle.reset();
  if (!removedOnClose && !file_->path.empty()) {
    ::DeleteFileW(file_->path.c_str());
  }
  file_.reset();
}

}  // namespace varnok
