#include "platform/atomic_file.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/file_system.h"
#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"

namespace varnok {
namespace {

// Tries before giving up on finding an unused temporary name.
constexpr int kNameAttempts = 100;
// A temporary name is ".NAME.XXXXXX": at most this much of the target's
// name, so that it stays within the file system's limit of 255 characters,
// then a dot and six letters or digits.
constexpr size_t kMaxKeptName = 200;
constexpr size_t kSuffixLength = 6;
constexpr char kSuffixChars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string TemporaryNameStart(const std::string& targetName) {
  // Cut between characters, never inside one's UTF-8 bytes.
  size_t kept = std::min(targetName.size(), kMaxKeptName);
  while (kept > 0 && kept < targetName.size() &&
         (static_cast<unsigned char>(targetName[kept]) & 0xC0) == 0x80) {
    --kept;
  }
  return "." + targetName.substr(0, kept) + ".";
}

std::string RandomSuffix() {
  std::random_device device;
  std::uniform_int_distribution<size_t> pick(0, sizeof kSuffixChars - 2);
  std::string suffix(kSuffixLength, ' ');
  for (char& c : suffix) c = kSuffixChars[pick(device)];
  return suffix;
}

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
      *reason = kInvalidFileName;
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
    *reason = kInvalidFileName;
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

bool CAtomicFile::IsTemporaryFileOf(const std::string& target,
                                    const std::string& path) {
  // Most paths fail on their name alone, before the target is looked at.
  const PathParts temporary = SplitPath(path);
  const std::string& name = temporary.name;
  if (name.size() < 2 + kSuffixLength || name.front() != '.' ||
      name[name.size() - kSuffixLength - 1] != '.' ||
      !std::all_of(name.end() - kSuffixLength, name.end(), [](char c) {
        return c != '\0' && std::strchr(kSuffixChars, c) != nullptr;
      })) {
    return false;
  }
  const PathParts resolved =
      SplitPath(ResolveLink(target).value_or(target));
  if (name.compare(0, name.size() - kSuffixLength,
                   TemporaryNameStart(resolved.name)) != 0) {
    return false;
  }
  const auto folderOf = [](const PathParts& parts) {
    return parts.folder.empty() ? std::string(".") : parts.folder;
  };
  const std::optional<FileIdentity> folder =
      IdentifyFile(folderOf(temporary));
  return folder && folder == IdentifyFile(folderOf(resolved));
}

}  // namespace varnok
