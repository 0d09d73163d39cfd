#include "platform/folder_enumerator.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"

namespace varnok {
namespace {

// What a d_type (or the type bits of a status) says an entry is; links are
// looked at by the caller.
EntryType TypeOf(unsigned char type) {
  switch (type) {
    case DT_DIR:
      return EntryType::kFolder;
    case DT_REG:
      return EntryType::kFile;
    case DT_FIFO:
      return EntryType::kFifo;
    case DT_SOCK:
      return EntryType::kSocket;
    case DT_CHR:
    case DT_BLK:
      return EntryType::kDevice;
    default:
      return EntryType::kOther;
  }
}

// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr int64_t kEpochDifference = 11644473600;

uint64_t ToFileTime(const struct statx_timestamp& t) {
  const int64_t seconds = t.tv_sec + kEpochDifference;
  if (seconds < 0) return 0;  // before 1601: the earliest time there is
  return static_cast<uint64_t>(seconds) * 10000000u + t.tv_nsec / 100u;
}

}  // namespace

struct FolderEnumerator::SystemFolder {
  explicit SystemFolder(DIR* d) : dir(d) {}
  ~SystemFolder() { closedir(dir); }
  SystemFolder(const SystemFolder&) = delete;
  SystemFolder& operator=(const SystemFolder&) = delete;

  // Fills *entry from d, asking for the entry's status only when d_type
  // can't answer what the caller wants. False when the entry vanished.
  bool Describe(const dirent& d, Details details, FolderEntry* entry);

  DIR* const dir;
};

FolderEnumerator::FolderEnumerator(const std::string& folder, Details details)
    : details_(details) {
  DIR* dir = folder.find('\0') == std::string::npos
                 ? opendir(folder.c_str())
                 : (errno = EINVAL, nullptr);
  if (dir == nullptr) {
    error_ = std::strerror(errno);
    return;
  }
  folder_ = std::make_unique<SystemFolder>(dir);
}

FolderEnumerator::~FolderEnumerator() = default;

bool FolderEnumerator::Next(FolderEntry* entry) {
  if (folder_ == nullptr) return false;
  // readdir returns null both at the end and on a failure; only a failure
  // sets errno.
  for (;;) {
    errno = 0;
    const dirent* d = readdir(folder_->dir);
    if (d == nullptr) {
      if (errno != 0) error_ = std::strerror(errno);
      folder_.reset();
      return false;
    }
    if (IsDotOrDotDot(d->d_name)) continue;
    if (folder_->Describe(*d, details_, entry)) return true;
  }
}

bool FolderEnumerator::SystemFolder::Describe(const dirent& d,
                                              Details details,
                                              FolderEntry* entry) {
  const int dirFd = dirfd(dir);
  const unsigned int mask =
      details == kFull ? STATX_BASIC_STATS | STATX_BTIME : STATX_TYPE;
  struct statx st;
  bool haveStatus = false;

  unsigned char type = d.d_type;
  if (type == DT_UNKNOWN || (details == kFull && type != DT_LNK)) {
    if (statx(dirFd, d.d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask,
              &st) != 0) {
      return false;
    }
    haveStatus = true;
    type = static_cast<unsigned char>(IFTODT(st.stx_mode));
  }
  entry->name.assign(d.d_name);
  entry->type = TypeOf(type);
  if (type == DT_LNK) {
    // A link counts as the file it leads to; links to folders are never
    // entered, so that the walk always ends.
    haveStatus = statx(dirFd, d.d_name, AT_NO_AUTOMOUNT, mask, &st) == 0;
    entry->type = !haveStatus              ? EntryType::kBrokenLink
                  : S_ISREG(st.stx_mode) ? EntryType::kFile
                  : S_ISDIR(st.stx_mode) ? EntryType::kLinkToFolder
                                         : EntryType::kOther;
    haveStatus = haveStatus && entry->type == EntryType::kFile;
  }
  entry->attributes = entry->type == EntryType::kFolder ? kAttributeFolder : 0;
  entry->creationTime = 0;
  entry->lastWriteTime = 0;
  entry->size = 0;
  if (details != kFull || !haveStatus) return true;

  if (d.d_name[0] == '.') entry->attributes |= kAttributeHidden;
  if ((st.stx_mode & S_IWUSR) == 0) entry->attributes |= kAttributeReadOnly;
  if (entry->attributes == 0) entry->attributes = kAttributeNormal;
  entry->lastWriteTime = ToFileTime(st.stx_mtime);
  entry->creationTime = (st.stx_mask & STATX_BTIME) != 0
                            ? ToFileTime(st.stx_btime)
                            : entry->lastWriteTime;
  if (entry->type == EntryType::kFile) entry->size = st.stx_size;
  return true;
}

}  // namespace varnok
