#include "platform/folder_enumerator.h"

#include <windows.h>

#include "base/messages.h"
#include "platform/file_system.h"
#include "platform/win32/system_text.h"

namespace varnok {
namespace {

uint64_t ToUint64(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

bool IsLinkTag(DWORD tag) {
  return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

}  // namespace

struct FolderEnumerator::SystemFolder {
  SystemFolder(HANDLE h, std::string f) : find(h), folder(std::move(f)) {}
  ~SystemFolder() { ::FindClose(find); }
  SystemFolder(const SystemFolder&) = delete;
  SystemFolder& operator=(const SystemFolder&) = delete;

  // Fills *entry from data. False when the entry is to be passed over: "."
  // and "..", and a link whose target vanished while it was looked at.
  bool Describe(const WIN32_FIND_DATAW& data, Details details,
                FolderEntry* entry) const;

  const HANDLE find;
  const std::string folder;
  WIN32_FIND_DATAW next;  // the entry the system delivered last
  bool haveNext = true;   // FindFirstFileW delivers the first entry
};

FolderEnumerator::FolderEnumerator(const std::string& folder, Details details)
    : details_(details) {
  // No folder is named by nothing (a bare "\*" would list the drive's root).
  if (folder.empty()) {
    error_ = ErrorText(ERROR_PATH_NOT_FOUND);
    return;
  }
  const std::optional<std::wstring> pattern = SystemPath(JoinPath(folder, "*"));
  if (!pattern) {
    error_ = messages::kInvalidFileName;
    return;
  }
  WIN32_FIND_DATAW first;
  const HANDLE find =
      ::FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &first,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    // A drive's empty root holds not even "." and "..".
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) error_ = ErrorText(error);
    return;
  }
  folder_ = std::make_unique<SystemFolder>(find, folder);
  folder_->next = first;
}

FolderEnumerator::~FolderEnumerator() = default;

bool FolderEnumerator::Next(FolderEntry* entry) {
  if (folder_ == nullptr) return false;
  for (;;) {
    if (!folder_->haveNext) {
      if (!::FindNextFileW(folder_->find, &folder_->next)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_NO_MORE_FILES) error_ = ErrorText(error);
        folder_.reset();
        return false;
      }
    }
    folder_->haveNext = false;
    if (folder_->Describe(folder_->next, details_, entry)) return true;
  }
}

bool FolderEnumerator::SystemFolder::Describe(const WIN32_FIND_DATAW& data,
                                              Details details,
                                              FolderEntry* entry) const {
  entry->name = ToUtf8(data.cFileName);
  if (IsDotOrDotDot(entry->name)) return false;

  DWORD attributes = data.dwFileAttributes;
  uint64_t size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                    IsLinkTag(data.dwReserved0);
  if (link) {
    // A link counts as what it leads to: a file, a folder (never entered,
    // so the walk always ends), or nothing.
    PathInfo target;
    std::string reason;
    if (!QueryPath(JoinPath(folder, entry->name), &target, &reason)) {
      entry->type = EntryType::kBrokenLink;
    } else if (target.kind == PathKind::kFile) {
      entry->type = EntryType::kFile;
      size = target.size;
    } else if (target.kind == PathKind::kFolder) {
      entry->type = EntryType::kLinkToFolder;
    } else {
      entry->type = EntryType::kOther;
    }
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    entry->type = EntryType::kFolder;
  } else if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
    entry->type = EntryType::kDevice;
  } else {
    entry->type = EntryType::kFile;
  }
  // The folder bit is a folder's own, not a link's.
  if (entry->type != EntryType::kFolder) {
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
  }

  if (details != kFull) {
    entry->attributes = entry->type == EntryType::kFolder ? kAttributeFolder : 0;
    entry->creationTime = 0;
    entry->lastWriteTime = 0;
    entry->size = 0;
    return true;
  }
  entry->attributes = attributes;
  entry->creationTime = ToUint64(data.ftCreationTime);
  entry->lastWriteTime = ToUint64(data.ftLastWriteTime);
  entry->size = entry->type == EntryType::kFile ? size : 0;
  return true;
}

}  // namespace varnok
