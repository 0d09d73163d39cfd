#include "platform/extract_folder.h"

#include <windows.h>

#include <algorithm>

#include "base/escape.h"
#include "base/messages.h"
#include "platform/file_system.h"
#include "platform/win32/system_text.h"
#include "platform/win32/temporary_file.h"
#include "platform/win32/unique_handle.h"

namespace varnok {
namespace {

// Files a batch holds at most.
constexpr size_t kMaxBatch = 32;

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

// Opens, and creates when missing, the folder next beneath the pinned
// folder, which is walked in messages; refuses links and junctions.
Status PinNextFolder(const std::wstring& next, std::string_view name,
                     const std::string& walked, UniqueHandle* pin) {
  *pin = PinFolder(next);
  if (!pin->valid()) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND ||
        (!::CreateDirectoryW(next.c_str(), nullptr) &&
         ::GetLastError() != ERROR_ALREADY_EXISTS)) {
      return Status::IoError(messages::kCantCreateFolder, walked,
                             error == ERROR_FILE_NOT_FOUND ? LastErrorText()
                                                           : ErrorText(error));
    }
    *pin = PinFolder(next);
    if (!pin->valid()) {
      return Status::IoError(messages::kCantCreateFolder, walked,
                             LastErrorText());
    }
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(pin->get(), &info)) {
    return Status::IoError(messages::kCantCreateFolder, walked,
                           LastErrorText());
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return Status::BadRequest(
        messages::kUnsafeName, EscapeName(name),
        "passes through the symbolic link or junction " + walked);
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return Status::IoError(messages::kCantCreateFolder, walked,
                           ErrorText(ERROR_DIRECTORY));
  }
  return Status::Ok();
}

}  // namespace

struct CExtractFolder::SystemFolder {
  std::wstring path;  // full, with the long-path prefix
  UniqueHandle pin;
};

struct CExtractFolder::WaitingFile {
  std::vector<UniqueHandle> pins;  // the folders on its way, until placed
  std::wstring folder;             // the folder it goes in
  std::wstring name;               // its name there
  std::string path;                // as messages show it
  TemporaryFile file;
};

void CExtractFolder::Discard::operator()(WaitingFile* file) const {
  delete file;
}

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

Status CExtractFolder::OpenFolders(std::string_view name,
                                   WaitingPtr* file) {
  const std::vector<std::string_view> parts = NameComponents(name);
  WaitingPtr opened(new WaitingFile);
  opened->path = DisplayPath(name);
  // Each folder stays pinned until the file is in place.
  opened->folder = root_->path;
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
    const std::wstring next = opened->folder + L"\\" + *part;
    UniqueHandle pin;
    const Status status = PinNextFolder(next, name, walked, &pin);
    if (!status.ok()) return status;
    opened->pins.push_back(std::move(pin));
    opened->folder = next;
  }
  const std::optional<std::wstring> fileName =
      ToWide(FromArchiveEncoding(parts.back()));
  if (!fileName) {
    return Status::IoError(messages::kCantWriteFile, opened->path,
                           messages::kInvalidFileName);
  }
  opened->name = *fileName;
  *file = std::move(opened);
  return Status::Ok();
}

bool CExtractFolder::NameTaken(const WaitingFile& file) const {
  return ::GetFileAttributesW((file.folder + L"\\" + file.name).c_str()) !=
         INVALID_FILE_ATTRIBUTES;
}

Status CExtractFolder::WriteTemporary(
    WaitingFile& file, const std::function<Status(ByteSink&)>& produce) {
  std::string reason;
  if (!file.file.Create(ToUtf8(file.folder), ToUtf8(file.name),
                        FILE_ATTRIBUTE_NORMAL, &reason)) {
    return Status::IoError(messages::kCantWriteFile, file.path, reason);
  }
  FileSink sink(file.file.handle(), file.path);
  return produce(sink);
}

void CExtractFolder::StartSync(WaitingFile&) {}

Status CExtractFolder::Sync(WaitingFile& file) {
  std::string reason;
  return file.file.Sync(&reason)
             ? Status::Ok()
             : Status::IoError(messages::kCantWriteFile, file.path, reason);
}

Status CExtractFolder::PlaceUnlessTaken(WaitingFile& file, bool* taken) {
  // A rename that fails on a taken name would leave the file to be deleted
  // on close no longer: the name is looked at first.
  *taken = NameTaken(file);
  return *taken ? Status::Ok() : Publish(file, Existing::kReplace);
}

Status CExtractFolder::Publish(WaitingFile& file, Existing existing) {
  // Kept names are never replaced: the rename fails on a name taken
  // meanwhile.
  const bool keep = existing == Existing::kKeep;
  DWORD error = ERROR_SUCCESS;
  if (file.file.Publish(file.folder + L"\\" + file.name, !keep, &error)) {
    return Status::Ok();
  }
  return keep && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
             ? Status::BadRequest(messages::kFileExists, file.path)
             : Status::IoError(messages::kCantWriteFile, file.path,
                               ErrorText(error));
}

size_t CExtractFolder::BatchLimit() const { return kMaxBatch; }

}  // namespace varnok
