#include "platform/win32/temporary_file.h"

#include <cstring>
#include <memory>
#include <optional>

#include "base/messages.h"
#include "platform/file_system.h"
#include "platform/temporary_name.h"
#include "platform/win32/system_text.h"

namespace varnok {
namespace {

// Tries before giving up on finding an unused temporary name.
constexpr int kNameAttempts = 100;

// The system path of name in folder.
std::optional<std::wstring> PathIn(const std::string& folder,
                                   const std::string& name) {
  return SystemPath(folder.empty() ? name : JoinPath(folder, name));
}

// path made full, as the rename of an open file takes it.
std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(needed, L'\0');
  const DWORD length =
      needed == 0
          ? 0
          : ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

// Renames the open file to target, a full path.
bool RenameOpenFile(HANDLE file, const std::wstring& target, bool replace) {
  const size_t bytes = target.size() * sizeof(wchar_t);
  const size_t size = sizeof(FILE_RENAME_INFO) + bytes;
  auto buffer = std::make_unique<unsigned char[]>(size);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
  std::memset(info, 0, size);
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(info->FileName, target.data(), bytes);
  return ::SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(size)) != 0;
}

}  // namespace

BOOL(WINAPI* flushFile)(HANDLE file) = ::FlushFileBuffers;

bool SetDeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

TemporaryFile::~TemporaryFile() {
  const bool removedOnClose = deleteOnClose_ && handle_.valid();
  handle_.reset();
  if (!removedOnClose && !path_.empty()) ::DeleteFileW(path_.c_str());
}

bool TemporaryFile::Create(const std::string& folder,
                           const std::string& targetName, DWORD attributes,
                           std::string* reason) {
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::optional<std::wstring> candidate =
        PathIn(folder, NewTemporaryName(targetName));
    if (!candidate) {
      *reason = messages::kInvalidFileName;
      return false;
    }
    handle_.reset(::CreateFileW(candidate->c_str(), GENERIC_WRITE | DELETE, 0,
                                nullptr, CREATE_NEW, attributes, nullptr));
    if (handle_.valid()) {
      path_ = *candidate;
      // Where the file system can't mark it, it is removed by name.
      deleteOnClose_ = SetDeleteOnClose(handle_.get(), true);
      return true;
    }
    error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  *reason = ErrorText(error);
  return false;
}

bool TemporaryFile::Sync(std::string* reason) {
  if (flushFile(handle_.get())) return true;
  *reason = LastErrorText();
  return false;
}

bool TemporaryFile::Publish(const std::wstring& target, bool replace,
                            DWORD* error) {
  if (deleteOnClose_ && !SetDeleteOnClose(handle_.get(), false)) {
    *error = ::GetLastError();
    return false;
  }
  deleteOnClose_ = false;
  const std::wstring full = FullPath(target);
  bool renamed = RenameOpenFile(handle_.get(), full, replace);
  *error = renamed ? ERROR_SUCCESS : ::GetLastError();
  const bool unsupported = *error == ERROR_INVALID_PARAMETER ||
                           *error == ERROR_NOT_SUPPORTED ||
                           *error == ERROR_INVALID_FUNCTION;
  // A file system that can't rename an open file: closed first, it is
  // moved by name.
  if (!renamed && unsupported && handle_.Close()) {
    renamed = ::MoveFileExW(path_.c_str(), full.c_str(),
                            replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
    if (!renamed) *error = ::GetLastError();
  }
  if (!renamed) return false;
  path_.clear();
  if (!handle_.Close()) {
    *error = ::GetLastError();
    return false;
  }
  return true;
}

std::vector<std::string> RemoveLeftovers(const std::string& folder,
                                         const std::string& targetName) {
  std::vector<std::string> removed;
  const std::optional<std::wstring> pattern =
      PathIn(folder, TemporaryNameStart(targetName) + "*");
  WIN32_FIND_DATAW found;
  const HANDLE search =
      pattern ? ::FindFirstFileW(pattern->c_str(), &found)
              : INVALID_HANDLE_VALUE;
  if (search == INVALID_HANDLE_VALUE) return removed;
  do {
    const std::string name = ToUtf8(found.cFileName);
    if (!IsTemporaryNameOf(name, targetName)) continue;
    // A file that a writer holds open can't be removed: it has not shared
    // it.
    const std::optional<std::wstring> path = PathIn(folder, name);
    if (path && ::DeleteFileW(path->c_str())) removed.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return removed;
}

}  // namespace varnok
