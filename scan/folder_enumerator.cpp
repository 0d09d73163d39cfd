#include "scan/folder_enumerator.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace varnok {
namespace {

// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr int64_t kEpochDifference = 11644473600;

uint64_t ToFileTime(const struct statx_timestamp& t) {
  const int64_t seconds = t.tv_sec + kEpochDifference;
  if (seconds < 0) return 0;  // before 1601: the earliest time there is
  return static_cast<uint64_t>(seconds) * 10000000u + t.tv_nsec / 100u;
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' &&
         (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

FolderEnumerator::FolderEnumerator(const std::string& folder, Details details)
    : dir_(opendir(folder.c_str())), details_(details) {}

FolderEnumerator::~FolderEnumerator() {
  if (dir_ != nullptr) closedir(dir_);
}

bool FolderEnumerator::Next(FolderEntry* entry) {
  if (dir_ == nullptr) return false;
  // readdir returns null both at the end and on a failure; either ends the
  // folder.
  while (const dirent* d = readdir(dir_)) {
    if (IsDotOrDotDot(d->d_name)) continue;
    if (Describe(*d, entry)) return true;
  }
  return false;
}

// Fills *entry from d, asking for the entry's status only when d_type can't
// answer what the caller wants. Returns false when the entry vanished.
bool FolderEnumerator::Describe(const dirent& d, FolderEntry* entry) {
  const int dirFd = dirfd(dir_);
  const unsigned int mask =
      details_ == kFull ? STATX_BASIC_STATS | STATX_BTIME : STATX_TYPE;
  struct statx st;
  bool haveStatus = false;

  unsigned char type = d.d_type;
  if (type == DT_UNKNOWN || (details_ == kFull && type != DT_LNK)) {
    if (statx(dirFd, d.d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask,
              &st) != 0) {
      return false;
    }
    haveStatus = true;
    type = static_cast<unsigned char>(IFTODT(st.stx_mode));
  }
  if (type == DT_LNK) {
    // A link counts as the file it leads to; any other link is "other", so
    // that links to folders are never entered and the walk always ends.
    haveStatus = statx(dirFd, d.d_name, AT_NO_AUTOMOUNT, mask, &st) == 0 &&
                 S_ISREG(st.stx_mode);
    type = haveStatus ? DT_REG : DT_UNKNOWN;
  }

  entry->name.assign(d.d_name);
  entry->type = type == DT_DIR   ? EntryType::kFolder
                : type == DT_REG ? EntryType::kFile
                                 : EntryType::kOther;
  entry->attributes = entry->type == EntryType::kFolder ? kAttributeFolder : 0;
  entry->creationTime = 0;
  entry->lastWriteTime = 0;
  entry->size = 0;
  if (details_ != kFull || !haveStatus) return true;

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
