#include "archive/archive_writer.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>
#include <utility>

#include "archive/archive_reader.h"
#include "archive/coding.h"
#include "archive/entry_encoder.h"
#include "archive/parallel_encoder.h"
#include "archive/previous_archive.h"
#include "base/escape.h"
#include "base/path_components.h"
#include "platform/atomic_file.h"
#include "platform/extract_folder.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace varnok {
namespace {

// Streams held bytes to the archive's data region, keeping the archive
// within its longest length, and counts the source bytes read for progress.
class DataRegionSink : public HeldBytesSink {
 public:
  DataRegionSink(CAtomicFile* archive, uint64_t start, uint64_t maxLength,
                 const std::string& archiveName,
                 std::function<Status(size_t)> onSourceRead)
      : archive_(archive),
        end_(start),
        maxLength_(maxLength),
        archiveName_(archiveName),
        onSourceRead_(std::move(onSourceRead)) {}

  // Offset at which the next held byte lands.
  uint64_t end() const { return end_; }

  Status Append(const char* data, size_t n) override {
    if (end_ + n > maxLength_) {
      return Status::BadRequest(messages::kTooLarge, archiveName_);
    }
    end_ += n;
    return archive_->Write(data, n);
  }

  Status SourceRead(size_t n) override { return onSourceRead_(n); }

 private:
  CAtomicFile* const archive_;
  uint64_t end_;
  const uint64_t maxLength_;
  const std::string& archiveName_;
  const std::function<Status(size_t)> onSourceRead_;
};

// The tail of spelt path from the first occurrence of base, once every
// backslash is a '/'; nothing when base does not occur in it.
std::optional<std::string> CutAtBasePath(std::string path,
                                         std::string_view base) {
  std::replace(path.begin(), path.end(), '\\', '/');
  const size_t start = path.find(base);
  if (start == std::string::npos) return std::nullopt;
  path.erase(0, start);
  return path;
}

// Ok when name, stored for the file at path, is safe (UnsafeNameReason).
Status CheckStoredName(const std::string& path, const std::string& name) {
  const std::string reason = UnsafeNameReason(name);
  if (reason.empty()) return Status::Ok();
  return Status::BadRequest(messages::kUnsafeStoredName, path,
                            EscapeName(FromArchiveEncoding(name)) + ": " + reason);
}

}  // namespace

Status StoredName(std::string_view path, std::string_view basePath,
                  std::string* name) {
  const std::optional<std::string> base = ToArchiveEncoding(basePath);
  if (!base) {
    return Status::BadRequest(messages::kNotInCodePage, std::string(basePath));
  }
  std::optional<std::string> spelt = ToArchiveEncoding(path);
  if (!spelt) {
    return Status::BadRequest(messages::kNotInCodePage, std::string(path));
  }
  std::optional<std::string> tail = CutAtBasePath(std::move(*spelt), *base);
  if (!tail) {
    return Status::BadRequest(messages::kBasePathNotFound, std::string(path));
  }
  *name = std::move(*tail);
  return Status::Ok();
}

std::string UnsafeNameReason(std::string_view name) {
  const Status status = CheckExtractName(name);
  if (!status.ok()) return status.reason();
  // A drive letter makes a name absolute on Windows, wherever it was made.
  const auto letter = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  };
  if (name.size() >= 2 && letter(name[0]) && name[1] == ':') {
    return messages::kDriveLetter;
  }
  for (std::string_view part : SplitComponents(name)) {
    if (part.empty()) return "contains an empty component";
    if (part == ".") return "contains a \".\" component";
  }
  return std::string();
}

Status StoredNameOf(const PackRequest& request, size_t index,
                    std::string* name) {
  const std::string& path = request.paths[index];
  if (request.names.empty()) {
    Status status = StoredName(path, request.basePath, name);
    if (!status.ok()) return status;
    if (name->size() > kMaxNameLength) {
      return Status::BadRequest(messages::kPathTooLong, path);
    }
    return Status::Ok();
  }
  // A given name is measured as the archive spells it, too, and its
  // backslashes count as separators, as in a name cut from a path.
  std::optional<std::string> spelt =
      request.namesAsStored ? std::optional(request.names[index])
                            : ToArchiveEncoding(request.names[index]);
  if (!spelt) return Status::BadRequest(messages::kNotInCodePage, path);
  if (spelt->size() > kMaxNameLength) {
    return Status::BadRequest(messages::kPathTooLong,
                              EscapeName(request.names[index]));
  }
  std::replace(spelt->begin(), spelt->end(), '\\', '/');
  *name = std::move(*spelt);
  return Status::Ok();
}

std::vector<std::string> NamesNotInCodePage(const PackRequest& request) {
  if (request.names.empty() && !ToArchiveEncoding(request.basePath)) {
    return {request.basePath};
  }
  std::vector<std::string> paths;
  std::string name;
  for (size_t i = 0; i < request.paths.size(); ++i) {
    const Status status = StoredNameOf(request, i, &name);
    if (status.message() == messages::kNotInCodePage) {
      paths.push_back(request.paths[i]);
    }
  }
  return paths;
}

Status CArchiveWriter::Pack(const PackRequest& request,
                            PackObserver* observer) {
  request_ = &request;
  observer_ = observer;
  entries_.clear();
  progress_ = PackProgress{};
  archiveLength_ = 0;
  warning_ = Status::Ok();

  Status status = CheckRequest();
  if (!status.ok()) return status;
  status = ReportProgress();
  if (!status.ok()) return status;

  // Until Commit, an existing archive stays as it was; on failure the
  // temporary file goes when archive goes out of scope.
  CAtomicFile archive(request.archiveName);
  status = archive.Open();
  if (!status.ok()) return status;
  // The archive being replaced is read while the new one is written, and
  // closed before the new one takes its place.
  auto previous = std::make_unique<CPreviousArchive>();
  if (request.reuse && request.level == kDefaultLevel) {
    FindEntriesToReuse(previous.get());
  }
  status = AppendData(&archive);
  previous.reset();
  // So is the archive copied entries come from.
  for (const EntryToReuse& copy : request.copies) {
    if (copy.archive != nullptr) copy.archive->Close();
  }
  if (!status.ok()) return status;
  status = WriteDirectory(&archive);
  if (!status.ok()) return status;
  status = archive.Commit();
  warning_ = archive.warning();
  return status;
}

Status CArchiveWriter::Plan(const PackRequest& request,
                            std::vector<PlannedEntry>* entries) {
  request_ = &request;
  observer_ = nullptr;
  entries_.clear();
  progress_ = PackProgress{};
  entries->clear();
  Status status = CheckRequest();
  if (!status.ok()) return status;
  entries->reserve(entries_.size());
  for (const Entry& entry : entries_) {
    entries->push_back({entry.name, entry.sourceSize,
                        entry.deflate ? kMethodDeflated : kMethodStored});
  }
  return Status::Ok();
}

Status CArchiveWriter::CheckRequest() {
  Status status = CheckCounts();
  if (status.ok()) status = NameEntries();
  if (status.ok()) status = CheckNamesDiffer();
  if (status.ok()) status = MeasureFiles();
  if (status.ok()) status = LayOut();
  return status;
}

Status CArchiveWriter::CheckCounts() const {
  const PackRequest& request = *request_;
  if (request.paths.empty()) return Status::BadRequest(messages::kNoFiles);
  if (request.names.empty()) {
    if (request.basePath.empty()) {
      return Status::BadRequest(messages::kEmptyBasePath);
    }
    // Names are measured and cut as the archive spells them.
    const std::optional<std::string> base = ToArchiveEncoding(request.basePath);
    if (!base) {
      return Status::BadRequest(messages::kNotInCodePage, request.basePath);
    }
    if (base->size() > kMaxNameLength) {
      return Status::BadRequest(messages::kPathTooLong, request.basePath);
    }
  }
  if (request.paths.size() > limits_.entryCount) {
    return Status::BadRequest(messages::kTooManyFiles, {},
                              std::to_string(request.paths.size()) + " found");
  }
  return Status::Ok();
}

Status CArchiveWriter::NameEntries() {
  const PackRequest& request = *request_;
  entries_.reserve(request.paths.size());
  for (size_t i = 0; i < request.paths.size(); ++i) {
    const std::string& path = request.paths[i];
    Entry entry;
    Status status = StoredNameOf(request, i, &entry.name);
    if (!status.ok()) return status;
    status = CheckStoredName(path, entry.name);
    if (!status.ok()) return status;
    entry.path = &path;
    entry.deflate = request.compress && !(i < request.keepStored.size() &&
                                          request.keepStored[i]);
    if (i < request.copies.size() && request.copies[i].archive != nullptr) {
      entry.copy = request.copies[i];
      const EntryRecord& record =
          entry.copy.archive->entries()[entry.copy.index].record;
      entry.deflate = record.method == kMethodDeflated;
    }
    entries_.push_back(std::move(entry));
  }
  return Status::Ok();
}

Status CArchiveWriter::CheckNamesDiffer() const {
  std::unordered_map<std::string_view, const std::string*> owners;
  owners.reserve(entries_.size());
  for (const Entry& entry : entries_) {
    const auto [owner, added] = owners.emplace(entry.name, entry.path);
    if (!added) {
      return Status::BadRequest(messages::kDuplicateStoredName,
                                *owner->second + " and " + *entry.path,
                                EscapeName(entry.name));
    }
  }
  return Status::Ok();
}

Status CArchiveWriter::MeasureFiles() {
  for (Entry& entry : entries_) {
    if (entry.copy.archive == nullptr) {
      Status status = MeasureFile(&entry);
      if (!status.ok()) return status;
      progress_.bytesTotal += entry.sourceSize;
      continue;
    }
    // A copied entry's held bytes are what is read of it.
    const EntryRecord& record =
        entry.copy.archive->entries()[entry.copy.index].record;
    if (record.size > kMaxFileSize) {
      return Status::BadRequest(messages::kFileTooLarge, *entry.path,
                                EscapeName(FromArchiveEncoding(entry.name)));
    }
    entry.sourceSize = record.size;
    progress_.bytesTotal += record.packedSize;
  }
  progress_.entriesTotal = static_cast<uint32_t>(entries_.size());
  return Status::Ok();
}

Status CArchiveWriter::MeasureFile(Entry* entry) {
  const std::string& path = *entry->path;
  PathInfo info;
  std::string reason;
  if (!QueryPath(path, &info, &reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  if (info.kind != PathKind::kFile) {
    return Status::IoError(messages::kCantReadFile, path,
                           messages::kNotARegularFile);
  }
  if (info.size > kMaxFileSize) {
    return Status::BadRequest(messages::kFileTooLarge, path);
  }
  entry->sourceSize = info.size;
  return Status::Ok();
}

Status CArchiveWriter::LayOut() {
  // The table area and the directory follow from the names alone.
  uint64_t directoryEnd = DirectoryOffset(entries_.size());
  uint64_t storedBytes = 0;
  for (const Entry& entry : entries_) {
    directoryEnd += DirectoryEntrySize(entry.name.size());
    if (entry.copy.archive != nullptr) {
      storedBytes += entry.copy.archive->entries()[entry.copy.index]
                         .record.packedSize;
    } else if (!entry.deflate) {
      storedBytes += entry.sourceSize;
    }
  }
  lastDirectoryByte_ = static_cast<uint32_t>(directoryEnd);

  // Stored files keep their size, and copied entries their held bytes, so
  // the archive is at least this long; deflated files are held to the
  // limit while they are written.
  if (directoryEnd + 1 + storedBytes > limits_.archiveLength) {
    return Status::BadRequest(messages::kTooLarge, request_->archiveName);
  }
  return Status::Ok();
}

void CArchiveWriter::FindEntriesToReuse(CPreviousArchive* previous) {
  std::vector<CPreviousArchive::File> files;
  files.reserve(entries_.size());
  for (const Entry& entry : entries_) {
    // A copied entry is offered nothing: it is copied as it lies.
    files.push_back({entry.name, entry.sourceSize,
                     entry.deflate && entry.copy.archive == nullptr});
  }
  const std::vector<EntryToReuse> offers =
      previous->Offer(request_->archiveName, request_->compress, files);
  for (size_t i = 0; i < entries_.size(); ++i) entries_[i].reuse = offers[i];
}

Status CArchiveWriter::AppendData(CAtomicFile* archive) {
  const uint64_t dataStart = uint64_t{lastDirectoryByte_} + 1;
  Status status = archive->Seek(dataStart);
  if (!status.ok()) return status;

  DataRegionSink sink(archive, dataStart, limits_.archiveLength,
                      request_->archiveName,
                      [this](size_t n) {
                        progress_.bytesDone += n;
                        return ReportProgress();
                      });
  std::vector<CParallelEncoder::SourceFile> files;
  files.reserve(entries_.size());
  for (const Entry& entry : entries_) {
    if (entry.copy.archive != nullptr) {
      files.push_back({entry.path, entry.sourceSize, entry.copy, false, true});
    } else {
      files.push_back(
          {entry.path, entry.sourceSize, entry.reuse, !entry.deflate});
    }
  }
  // Workers encode files ahead; they are handed back here in entry order.
  CParallelEncoder encoder(std::move(files), request_->compress, WorkerCount(),
                           limits_.encodeAhead, request_->level);
  for (Entry& entry : entries_) {
    const uint64_t dataOffset = sink.end();
    EncodedEntry encoded;
    status = encoder.EncodeNext(&sink, &encoded);
    if (!status.ok()) return status;

    // The sink keeps every offset and length within 32 bits.
    EntryRecord& record = entry.record;
    record.method = encoded.method;
    record.dataOffset = static_cast<uint32_t>(dataOffset);
    record.size = encoded.size;
    record.packedSize = static_cast<uint32_t>(encoded.packedSize);
    record.crc = encoded.crc;
    record.nameLength = static_cast<uint16_t>(entry.name.size());

    ++progress_.entriesDone;
    if (encoded.reused) ++progress_.entriesReused;
    status = ReportProgress();
    if (!status.ok()) return status;
  }
  archiveLength_ = sink.end();
  return Status::Ok();
}

Status CArchiveWriter::WriteDirectory(CAtomicFile* archive) {
  const uint32_t count = static_cast<uint32_t>(entries_.size());

  ArchiveHeader header;
  header.lastDirectoryByte = lastDirectoryByte_;
  header.entryCount = count;
  std::string tables;
  AppendHeader(&tables, header);

  // Each pointer is the offset of its entry's directory record.
  uint64_t pointer = DirectoryOffset(count);
  for (const Entry& entry : entries_) {
    PutFixed32(&tables, static_cast<uint32_t>(pointer));
    pointer += DirectoryEntrySize(entry.name.size());
  }

  // Every bucket spans the whole directory.
  PutFixed32(&tables, kBucketCount);
  const BucketSlot slot{0, static_cast<uint16_t>(count & 0xffff)};
  for (uint32_t i = 0; i < kBucketCount; ++i) AppendBucketSlot(&tables, slot);

  Status status = archive->Seek(0);
  if (!status.ok()) return status;
  status = archive->Write(tables.data(), tables.size());
  if (!status.ok()) return status;

  // Entries lie back to back; only the last is followed by a zero byte.
  std::string record;
  for (const Entry& entry : entries_) {
    record.clear();
    AppendEntryRecord(&record, entry.record);
    record += entry.name;
    status = archive->Write(record.data(), record.size());
    if (!status.ok()) return status;
  }
  const char zero = 0;
  return archive->Write(&zero, 1);
}

unsigned CArchiveWriter::WorkerCount() const {
  // Storing is bound by the disk, not the processor: threads would not help.
  if (!request_->compress) return 0;
  const unsigned threads = threads_ != 0 ? threads_ : AvailableCores();
  // With one thread the writing thread does all the work itself.
  return threads > 1 ? threads : 0;
}

Status CArchiveWriter::ReportProgress() {
  if (observer_ != nullptr && !observer_->OnProgress(progress_)) {
    return Status::Cancelled();
  }
  return Status::Ok();
}

}  // namespace varnok
