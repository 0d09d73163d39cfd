#include "platform/atomic_file.h"

#include <cstring>
#include <optional>
#include <utility>

#include "platform/file_system.h"
#include "platform/temporary_name.h"

namespace varnok {

Status CAtomicFile::CantOpen(const std::string& reason) const {
  return Status::IoError(messages::kCantOpenFile, target_, reason);
}

Status CAtomicFile::CantWrite(const std::string& reason) const {
  return Status::IoError(messages::kCantWriteFile, target_, reason);
}

Status CAtomicFile::Open() {
  if (target_.empty() || target_.find('\0') != std::string::npos) {
    return CantOpen(messages::kInvalidFileName);
  }
  // A linked archive is replaced where it lives, and the link stays; a
  // link that leads nowhere is not replaced by a file.
  std::optional<std::string> resolved = ResolveLink(target_);
  if (!resolved) return CantOpen(messages::kDanglingLink);
  resolved_ = std::move(*resolved);
  if (SplitPath(resolved_).name.empty()) {
    return CantOpen(messages::kInvalidFileName);
  }

  // Only a regular file may be replaced.
  PathInfo info;
  std::string reason;
  const bool exists = QueryPath(resolved_, &info, &reason);
  if (exists && info.kind != PathKind::kFile) {
    return CantOpen(messages::kNotARegularFile);
  }
  if (!CreateTemporary(exists, &reason)) return CantOpen(reason);
  buffer_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
  buffered_ = 0;
  return Status::Ok();
}

Status CAtomicFile::Write(const char* data, size_t n) {
  if (file_ == nullptr) return CantWrite(messages::kFileNotOpen);
  if (buffered_ + n > kBufferSize) {
    Status status = Flush();
    if (!status.ok()) return status;
  }
  // What doesn't fit the buffer goes straight through.
  if (n >= kBufferSize) {
    std::string reason;
    return WriteThrough(data, n, &reason) ? Status::Ok() : CantWrite(reason);
  }
  std::memcpy(buffer_.get() + buffered_, data, n);
  buffered_ += n;
  return Status::Ok();
}

Status CAtomicFile::Flush() {
  if (file_ == nullptr) return CantWrite(messages::kFileNotOpen);
  const size_t n = std::exchange(buffered_, 0);
  std::string reason;
  return WriteThrough(buffer_.get(), n, &reason) ? Status::Ok()
                                                 : CantWrite(reason);
}

Status CAtomicFile::Seek(uint64_t offset) {
  Status status = Flush();
  if (!status.ok()) return status;
  std::string reason;
  return SeekTo(offset, &reason) ? Status::Ok() : CantWrite(reason);
}

Status CAtomicFile::Commit() {
  Status status = Flush();
  if (!status.ok()) return status;
  std::string reason;
  if (!Replace(&reason)) return CantWrite(reason);
  // The archive is replaced: what follows can only warn.
  if (!SyncFolder(&reason)) {
    warning_ = Status::IoError(messages::kFolderNotSynced, target_, reason);
  }
  return Status::Ok();
}

bool CAtomicFile::IsTemporaryFileOf(const std::string& target,
                                    const std::string& path) {
  // Most paths fail on their name alone, before the target is looked at.
  const PathParts temporary = SplitPath(path);
  if (!LooksLikeTemporaryName(temporary.name)) return false;
  const PathParts resolved = SplitPath(ResolveLink(target).value_or(target));
  if (!IsTemporaryNameOf(temporary.name, resolved.name)) return false;
  const auto folderOf = [](const PathParts& parts) {
    return parts.folder.empty() ? std::string(".") : parts.folder;
  };
  const std::optional<FileIdentity> folder =
      IdentifyFile(folderOf(temporary));
  return folder && folder == IdentifyFile(folderOf(resolved));
}

}  // namespace varnok
