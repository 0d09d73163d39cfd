#include "platform/atomic_file.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/messages.h"
#include "platform/file_system.h"
#include "platform/win32/system_text.h"
#include "platform/win32/temporary_file.h"

namespace varnok {
namespace {

// The attributes a replaced archive keeps, as POSIX keeps a file's mode.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Sets the open file's attributes.
bool SetAttributes(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = attributes;
  return ::SetFileInformationByHandle(file, FileBasicInfo, &basic,
                                      sizeof basic) != 0;
}

}  // namespace

struct CAtomicFile::SystemFile {
  TemporaryFile file;
  DWORD attributes = 0;  // the replaced archive's kept ones; 0 for a new one
};

CAtomicFile::CAtomicFile(std::string target) : target_(std::move(target)) {}

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::CreateTemporary(bool replacing, std::string* reason) {
  auto file = std::make_unique<SystemFile>();
  if (replacing) {
    const std::optional<std::wstring> target = SystemPath(resolved_);
    const DWORD attributes =
        target ? ::GetFileAttributesW(target->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      *reason = target ? LastErrorText() : messages::kInvalidFileName;
      return false;
    }
    file->attributes = attributes & kKeptAttributes;
  }
  // Written while it may still be deleted: read-only only in Replace.
  const DWORD created = file->attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
  const PathParts parts = SplitPath(resolved_);
  if (!file->file.Create(parts.folder, parts.name,
                         created != 0 ? created : FILE_ATTRIBUTE_NORMAL,
                         reason)) {
    return false;
  }
  file_ = std::move(file);
  return true;
}

bool CAtomicFile::WriteThrough(const char* data, size_t n,
                               std::string* reason) {
  while (n > 0) {
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file_->file.handle(), data, ask, &written, nullptr) ||
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
  if (::SetFilePointerEx(file_->file.handle(), distance, nullptr,
                         FILE_BEGIN)) {
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
  if (!file_->file.Sync(reason)) return false;
  // A read-only archive stays read-only, as on POSIX; the old one gives way
  // for the moment of the rename, and stays as it was if the rename fails.
  const bool readOnly = (file_->attributes & FILE_ATTRIBUTE_READONLY) != 0;
  const DWORD writable = file_->attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
  if (readOnly &&
      (!SetAttributes(file_->file.handle(), file_->attributes) ||
       !::SetFileAttributesW(target->c_str(),
                             writable != 0 ? writable
                                           : FILE_ATTRIBUTE_NORMAL))) {
    *reason = LastErrorText();
    return false;
  }
  DWORD error = ERROR_SUCCESS;
  if (file_->file.Publish(*target, true, &error)) return true;
  if (readOnly) ::SetFileAttributesW(target->c_str(), file_->attributes);
  *reason = ErrorText(error);
  return false;
}

bool CAtomicFile::SyncFolder(std::string*) {
  // Windows has no call that syncs a folder's names.
  return true;
}

std::vector<std::string> CAtomicFile::RemoveLeftovers(
    const std::string& target) {
  const PathParts parts = SplitPath(ResolveLink(target).value_or(target));
  std::vector<std::string> removed;
  for (const std::string& name : varnok::RemoveLeftovers(parts.folder,
                                                         parts.name)) {
    removed.push_back(parts.folder.empty() ? name
                                           : JoinPath(parts.folder, name));
  }
  return removed;
}

void CAtomicFile::Discard() { file_.reset(); }

}  // namespace varnok
