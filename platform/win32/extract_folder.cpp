#include "platform/extract_folder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "base/escape.h"
#include "base/messages.h"
#include "platform/file_system.h"
#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"

namespace varnok {
namespace {

// Writes into an open file.
class FileSink : public ByteSink {
 public:
  FileSink(HANDLE file, const std::string& path) : file_(file), path_(path) {}

  Status Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      const DWORD ask = static_cast<DWORD>(
          std::min<size_t>(bytes.size(), size_t{1} << 30));
      DWORD written = 0;
      if (!::WriteFile(file_, bytes.data(), ask, &written, nullptr) ||
          written == 0) {
        return Status::IoError(messages::kCantWriteFile, path_,
                               LastErrorText());
      }
      bytes.remove_prefix(written);
    }
    return Status::Ok();
  }

 private:
  const HANDLE file_;
  const std::string& path_;
};

// path made full and given the "\\?\" prefix, so that names can be added
// to it whatever the length.
std::optional<std::wstring> LongFullPath(const std::string& path) {
  const std::optional<std::wstring> wide = ToWide(path);
  if (!wide || wide->empty() || wide->find(L'\0') != std::wstring::npos) {
    return std::nullopt;
  }
  if (wide->starts_with(L"\\\\?\\")) return wide;
  const DWORD needed = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
  std::wstring full(needed, L'\0');
  const DWORD length =
      needed == 0 ? 0
                  : ::GetFullPathNameW(wide->c_str(), needed, full.data(),
                                       nullptr);
  if (length == 0 || length >= needed) return std::nullopt;
  full.resize(length);
  if (full.size() > 3 && full.back() == L'\\') full.pop_back();
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// Creates the folder path and its missing parents.
bool CreateFolders(const std::wstring& path, DWORD* error) {
  if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
  *error = ::GetLastError();
  if (*error == ERROR_ALREADY_EXISTS) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return true;
    }
    *error = ERROR_DIRECTORY;
    return false;
  }
  const size_t separator = path.find_last_of(L'\\');
  if (*error != ERROR_PATH_NOT_FOUND || separator == std::wstring::npos ||
      separator < 4 || !CreateFolders(path.substr(0, separator), error)) {
    return false;
  }
  if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
  *error = ::GetLastError();
  return *error == ERROR_ALREADY_EXISTS;
}

// Opens the folder at path itself, not what a link there leads to. While
// the handle is open the folder can be neither renamed nor deleted, so no
// link can take its place.
UniqueHandle PinFolder(const std::wstring& path) {
  return UniqueHandle(::CreateFileW(
      path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool SetDeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// Creates a file of a fresh temporary name in folder, marked for deletion
// on close; its path in *path.
UniqueHandle CreateTemporary(const std::wstring& folder, std::wstring* path,
                             bool* deleteOnClose) {
  std::random_device seed;
  std::mt19937 random(seed());
  UniqueHandle file;
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L"%08x", static_cast<unsigned>(random()));
    *path = folder + L"\\.kzf-extract-" + suffix;
    file.reset(::CreateFileW(path->c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() && ::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  *deleteOnClose = file.valid() && SetDeleteOnClose(file.get(), true);
  return file;
}

}  // namespace

struct CExtractFolder::SystemFolder {
  std::wstring path;  // full, with the long-path prefix
  UniqueHandle pin;
};

CExtractFolder::CExtractFolder() = default;
CExtractFolder::~CExtractFolder() = default;

Status CExtractFolder::Open(const std::string& folder) {
  folder_ = folder;
  auto root = std::make_unique<SystemFolder>();
  const std::optional<std::wstring> path = LongFullPath(folder);
  if (!path) {
    return Status::IoError(messages::kCantCreateFolder, folder,
                           messages::kInvalidFileName);
  }
  root->path = *path;
  DWORD error = ERROR_SUCCESS;
  if (!CreateFolders(root->path, &error)) {
    return Status::IoError(messages::kCantCreateFolder, folder,
                           ErrorText(error));
  }
  // The folder itself may be a link: the user chose it.
  root->pin.reset(::CreateFileW(
      root->path.c_str(), FILE_LIST_DIRECTORY,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!root->pin.valid()) {
    return Status::IoError(messages::kCantCreateFolder, folder,
                           LastErrorText());
  }
  root_ = std::move(root);
  return Status::Ok();
}

std::string CExtractFolder::DisplayPath(std::string_view name) const {
  std::string path = folder_ == "." ? std::string() : folder_;
  if (!path.empty() && !IsPathSeparator(path.back())) path += '\\';
  std::string shown = EscapeName(FromArchiveEncoding(name));
  std::replace(shown.begin(), shown.end(), '/', '\\');
  return path + shown;
}

Status CExtractFolder::Extract(std::string_view name,
                               const std::function<Status(ByteSink&)>& produce,
                               Existing existing) {
  Status status = CheckExtractName(name);
  if (!status.ok()) return status;
  const std::vector<std::string_view> parts = NameComponents(name);

  // Open each folder on the way, creating it when missing, refusing links;
  // each stays pinned until the file is in place.
  std::vector<UniqueHandle> pins;
  std::wstring folder = root_->path;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    // The name's part up to the folder now opened.
    const std::string walked = DisplayPath(name.substr(
        0, static_cast<size_t>(parts[i].data() - name.data()) + parts[i].size()));
    const std::optional<std::wstring> part =
        ToWide(FromArchiveEncoding(parts[i]));
    if (!part) {
      return Status::IoError(messages::kCantCreateFolder, walked,
                             messages::kInvalidFileName);
    }
    const std::wstring next = folder + L"\\" + *part;
    UniqueHandle pin = PinFolder(next);
    if (!pin.valid()) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_NOT_FOUND ||
          (!::CreateDirectoryW(next.c_str(), nullptr) &&
           ::GetLastError() != ERROR_ALREADY_EXISTS)) {
        return Status::IoError(messages::kCantCreateFolder, walked,
                               error == ERROR_FILE_NOT_FOUND ? LastErrorText()
                                                             : ErrorText(error));
      }
      pin = PinFolder(next);
      if (!pin.valid()) {
        return Status::IoError(messages::kCantCreateFolder, walked,
                               LastErrorText());
      }
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(pin.get(), &info)) {
      return Status::IoError(messages::kCantCreateFolder, walked,
                             LastErrorText());
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      return Status::BadRequest(messages::kUnsafeName, EscapeName(name),
                                "passes through the symbolic link or junction " + walked);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return Status::IoError(messages::kCantCreateFolder, walked,
                             ErrorText(ERROR_DIRECTORY));
    }
    pins.push_back(std::move(pin));
    folder = next;
  }

  // Write a temporary file beside the target, then rename it into place.
  const std::string path = DisplayPath(name);
  const std::optional<std::wstring> fileName =
      ToWide(FromArchiveEncoding(parts.back()));
  if (!fileName) {
    return Status::IoError(messages::kCantWriteFile, path,
                           messages::kInvalidFileName);
  }
  const std::wstring target = folder + L"\\" + *fileName;
  const bool keep = existing == Existing::kKeep;
  const Status exists = Status::BadRequest(messages::kFileExists, path);
  if (keep && ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return exists;
  }
  std::wstring temporary;
  bool deleteOnClose = false;
  UniqueHandle file = CreateTemporary(folder, &temporary, &deleteOnClose);
  if (!file.valid()) {
    return Status::IoError(messages::kCantWriteFile, path, LastErrorText());
  }
  FileSink sink(file.get(), path);
  status = produce(sink);
  if (status.ok() && deleteOnClose && !SetDeleteOnClose(file.get(), false)) {
    status = Status::IoError(messages::kCantWriteFile, path, LastErrorText());
  }
  if (status.ok()) {
    deleteOnClose = false;
    if (!file.Close()) {
      status = Status::IoError(messages::kCantWriteFile, path, LastErrorText());
    }
  }
  // Kept names are never replaced: without MOVEFILE_REPLACE_EXISTING the
  // move fails on a name taken meanwhile.
  if (status.ok() &&
      !::MoveFileExW(temporary.c_str(), target.c_str(),
                     keep ? 0 : MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = ::GetLastError();
    status = keep && (error == ERROR_ALREADY_EXISTS ||
                      error == ERROR_FILE_EXISTS)
                 ? exists
                 : Status::IoError(messages::kCantWriteFile, path,
                                   ErrorText(error));
  }
  if (!status.ok()) {
    file.reset();
    if (!deleteOnClose) ::DeleteFileW(temporary.c_str());
  }
  return status;
}

}  // namespace varnok
