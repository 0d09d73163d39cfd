#include "archive/archive_diff.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "archive/archive_reader.h"
#include "archive/entry_encoder.h"
#include "archive/previous_archive.h"
#include "platform/process.h"
#include "platform/read_file.h"

namespace varnok {
namespace {

// Compares the held bytes an encoder hands on with those an entry holds,
// read at their place in the archive; stops the encoder at the first
// difference.
class HeldComparer : public HeldBytesSink {
 public:
  HeldComparer(CReadFile& archive, const EntryRecord& record)
      : archive_(archive), record_(record) {}

  bool differs() const { return differs_; }

  Status Append(const char* data, size_t n) override {
    while (n > 0) {
      const size_t piece = std::min(n, sizeof buffer_);
      size_t got = 0;
      std::string reason;
      if (position_ + piece > record_.packedSize ||
          !archive_.ReadAt(record_.dataOffset + position_, buffer_, piece,
                           &got, &reason) ||
          got != piece || std::memcmp(buffer_, data, piece) != 0) {
        differs_ = true;
        return Status::Cancelled();
      }
      position_ += piece;
      data += piece;
      n -= piece;
    }
    return Status::Ok();
  }
  Status SourceRead(size_t) override { return Status::Ok(); }

 private:
  CReadFile& archive_;
  const EntryRecord& record_;
  char buffer_[16 * 1024];
  uint64_t position_ = 0;
  bool differs_ = false;
};

// One file to compare with the entry of its name.
struct Comparison {
  size_t file = 0;          // index in the request
  EntryToReuse entry;       // the entry, where the comparison reads it
  bool deflateAgain = false;  // compare held bytes with a fresh deflate
  bool same = false;
  Status status;
};

}  // namespace

Status CArchiveDiff::Compare(const PackRequest& request,
                             std::vector<ArchiveDifference>* differences) {
  differences->clear();
  std::vector<PlannedEntry> planned;
  Status status = CArchiveWriter().Plan(request, &planned);
  if (!status.ok()) return status;
  CArchiveReader reader;
  status = reader.Open(request.archiveName);
  if (!status.ok()) return status;
  const std::vector<ArchiveEntry>& entries = reader.entries();

  // Pair each planned entry with the archive's first entry of its name.
  std::unordered_map<std::string_view, size_t> byName;
  byName.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) byName.emplace(entries[i].name, i);
  std::vector<std::optional<size_t>> pairs(planned.size());
  std::vector<bool> paired(entries.size());
  for (size_t f = 0; f < planned.size(); ++f) {
    const auto found = byName.find(planned[f].name);
    if (found == byName.end()) continue;
    pairs[f] = found->second;
    paired[found->second] = true;
  }

  // What the directory decides alone: order, method and size.
  std::vector<bool> changed(planned.size());
  std::vector<CPreviousArchive::File> offerable(planned.size());
  size_t latest = 0;  // the last archive index met in the request's order
  for (size_t f = 0; f < planned.size(); ++f) {
    offerable[f] = {&request.paths[f], planned[f].name, planned[f].size,
                    false};
    if (!pairs[f]) continue;
    const EntryRecord& record = entries[*pairs[f]].record;
    changed[f] = *pairs[f] < latest || record.method != planned[f].method ||
                 record.size != planned[f].size;
    latest = std::max(latest, *pairs[f]);
    offerable[f].deflate =
        !changed[f] && planned[f].method == kMethodDeflated &&
        request.level == kDefaultLevel;
  }
  // Deflated entries are compared as a repack would reuse them, where the
  // archive's streams prove to be this system's; the others are deflated
  // again.
  CPreviousArchive previous;
  const std::vector<EntryToReuse> offers =
      previous.Offer(request.archiveName, true, offerable);
  std::vector<Comparison> comparisons;
  for (size_t f = 0; f < planned.size(); ++f) {
    if (!pairs[f] || changed[f]) continue;
    Comparison comparison;
    comparison.file = f;
    comparison.entry = EntryToReuse{&reader, *pairs[f]};
    if (offers[f].archive != nullptr) {
      comparison.entry = offers[f];
    } else if (planned[f].method == kMethodDeflated) {
      comparison.deflateAgain = true;
    }
    comparisons.push_back(comparison);
  }

  std::atomic<size_t> next{0};
  auto work = [&] {
    CEntryEncoder encoder(true, request.level);
    CReadFile archive;
    std::string reason;
    const bool archiveOpen = archive.Open(request.archiveName, &reason);
    for (size_t c; (c = next++) < comparisons.size();) {
      Comparison& comparison = comparisons[c];
      const std::string& path = request.paths[comparison.file];
      if (!comparison.deflateAgain) {
        comparison.status =
            encoder.Compare(path, comparison.entry, &comparison.same);
        continue;
      }
      if (!archiveOpen) continue;  // the archive went: nothing is the same
      const EntryRecord& record = entries[comparison.entry.index].record;
      HeldComparer held(archive, record);
      EncodedEntry encoded;
      const Status encodedStatus = encoder.Encode(path, &held, &encoded);
      if (held.differs()) continue;
      comparison.status = encodedStatus;
      comparison.same = encodedStatus.ok() && encoded.crc == record.crc &&
                        encoded.size == record.size &&
                        encoded.packedSize == record.packedSize;
    }
  };
  const unsigned threads = std::max(
      1u, std::min<unsigned>(threads_ != 0 ? threads_ : AvailableCores(),
                             static_cast<unsigned>(comparisons.size())));
  std::vector<std::thread> workers;
  for (unsigned t = 1; t < threads; ++t) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();

  for (const Comparison& comparison : comparisons) {
    if (!comparison.status.ok()) return comparison.status;
    changed[comparison.file] = !comparison.same;
  }
  for (size_t f = 0; f < planned.size(); ++f) {
    if (!pairs[f]) {
      differences->push_back({ArchiveDifference::Kind::kAdded, planned[f].name});
    } else if (changed[f]) {
      differences->push_back(
          {ArchiveDifference::Kind::kChanged, planned[f].name});
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!paired[i]) {
      differences->push_back(
          {ArchiveDifference::Kind::kRemoved, entries[i].name});
    }
  }
  return Status::Ok();
}

}  // namespace varnok
