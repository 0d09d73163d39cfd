#include "platform/read_file.h"

#include <windows.h>

#include <algorithm>
#include <limits>

#include "base/messages.h"
#include "platform/temporary_name.h"
#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"

namespace varnok {

// Reads carry their own offset, so that ReadAt never moves the position
// that Read goes on from.
struct CReadFile::SystemFile {
  UniqueHandle handle;
  uint64_t position = 0;
};

namespace {

// Reads up to n bytes at offset; *got is 0 only at the end of the file.
bool ReadOnce(HANDLE file, uint64_t offset, char* buffer, size_t n,
              size_t* got, std::string* reason) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  const DWORD ask = static_cast<DWORD>(
      std::min<size_t>(n, std::numeric_limits<DWORD>::max()));
  DWORD read = 0;
  if (!::ReadFile(file, buffer, ask, &read, &at)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_HANDLE_EOF) {
      *reason = ErrorText(error);
      return false;
    }
    read = 0;
  }
  *got = read;
  return true;
}

// A file for reading and writing in the folder for temporary files that
// goes when its handle is closed; invalid with the system's explanation in
// *reason when none can be made.
UniqueHandle CreateScratchFile(std::string* reason) {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) {
    *reason = LastErrorText();
    return UniqueHandle();
  }
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring name =
        std::wstring(folder) + *ToWide(NewTemporaryName("kzf-standard-input"));
    UniqueHandle file(::CreateFileW(
        name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file.valid()) return file;
    error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  *reason = ErrorText(error);
  return UniqueHandle();
}

// Copies what from holds up to its end (a pipe's end too) to to; false with
// the system's explanation in *reason when a read or a write fails.
bool CopyToEnd(HANDLE from, HANDLE to, std::string* reason) {
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(from, buffer, sizeof buffer, &got, nullptr)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return true;
      *reason = ErrorText(error);
      return false;
    }
    if (got == 0) return true;
    DWORD put = 0;
    if (!::WriteFile(to, buffer, got, &put, nullptr) || put != got) {
      *reason = LastErrorText();
      return false;
    }
  }
}

// True when handle is a disk file whose position is at its start.
bool IsFileAtStart(HANDLE handle) {
  LARGE_INTEGER position = {};
  return ::GetFileType(handle) == FILE_TYPE_DISK &&
         ::SetFilePointerEx(handle, LARGE_INTEGER{}, &position,
                            FILE_CURRENT) &&
         position.QuadPart == 0;
}

}  // namespace

CReadFile::CReadFile() = default;
CReadFile::~CReadFile() = default;

bool CReadFile::Open(const std::string& path, std::string* reason) {
  file_.reset();
  size_ = 0;
  const std::optional<std::wstring> wide = SystemPath(path);
  if (!wide) {
    *reason = messages::kInvalidFileName;
    return false;
  }
  // Others may go on reading, writing, renaming and deleting the file.
  auto file = std::make_unique<SystemFile>();
  file->handle.reset(::CreateFileW(
      wide->c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file->handle.valid()) {
    *reason = LastErrorText();
    return false;
  }
  // Devices (CON, NUL, pipes) are no regular files.
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(file->handle.get()) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(file->handle.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *reason = messages::kNotARegularFile;
    return false;
  }
  file_ = std::move(file);
  size_ = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return true;
}

bool CReadFile::OpenStandardInput(std::string* reason) {
  file_.reset();
  size_ = 0;
  const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (::GetConsoleMode(in, &mode)) {
    *reason = messages::kIsATerminal;
    return false;
  }
  auto file = std::make_unique<SystemFile>();
  if (IsFileAtStart(in)) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (!::DuplicateHandle(::GetCurrentProcess(), in, ::GetCurrentProcess(),
                           &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      *reason = LastErrorText();
      return false;
    }
    file->handle.reset(copy);
  } else {
    file->handle = CreateScratchFile(reason);
    if (!file->handle.valid() ||
        !CopyToEnd(in, file->handle.get(), reason)) {
      return false;
    }
  }
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file->handle.get(), &size)) {
    *reason = LastErrorText();
    return false;
  }
  file_ = std::move(file);
  size_ = static_cast<uint64_t>(size.QuadPart);
  return true;
}

bool CReadFile::Read(char* buffer, size_t n, size_t* got, std::string* reason) {
  if (!ReadOnce(file_->handle.get(), file_->position, buffer, n, got, reason)) {
    return false;
  }
  file_->position += *got;
  return true;
}

void CReadFile::WillRead(uint64_t, uint64_t) const {}

bool CReadFile::ReadAt(uint64_t offset, char* buffer, size_t n, size_t* got,
                       std::string* reason) {
  size_t done = 0;
  while (done < n) {
    size_t once = 0;
    if (!ReadOnce(file_->handle.get(), offset + done, buffer + done, n - done,
                  &once, reason)) {
      return false;
    }
    if (once == 0) break;
    done += once;
  }
  *got = done;
  return true;
}

bool CReadFile::Close(std::string* reason) {
  if (file_ == nullptr) return true;
  const bool closed = file_->handle.Close();
  if (!closed) *reason = LastErrorText();
  file_.reset();
  size_ = 0;
  return closed;
}

}  // namespace varnok
