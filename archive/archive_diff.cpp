#include "archive/archive_diff.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "archive/archive_reader.h"
#include "archive/entry_encoder.h"
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
  size_t file = 0;            // index in the request
  EntryToReuse entry;         // the entry of its name
  bool deflateAgain = false;  // compare held bytes with a fresh deflate
  bool done = false;          // compared to the end
  bool same = false;
  Status status;
};

// For each planned entry, the archive's first entry of its name, if any.
std::vector<std::optional<size_t>> PairByName(
    const std::vector<PlannedEntry>& planned,
    const std::vector<ArchiveEntry>& entries) {
  std::unordered_map<std::string_view, size_t> byName;
  byName.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) byName.emplace(entries[i].name, i);
  std::vector<std::optional<size_t>> pairs(planned.size());
  for (size_t f = 0; f < planned.size(); ++f) {
    const auto found = byName.find(planned[f].name);
    if (found != byName.end()) pairs[f] = found->second;
  }
  return pairs;
}

// What the directory decides alone: a paired entry out of order (after an
// entry a later planned one pairs with), of another method or size.
std::vector<bool> ChangedInDirectory(
    const std::vector<PlannedEntry>& planned,
    const std::vector<ArchiveEntry>& entries,
    const std::vector<std::optional<size_t>>& pairs) {
  std::vector<bool> changed(planned.size());
  size_t latest = 0;  // the last archive index met in the request's order
  for (size_t f = 0; f < planned.size(); ++f) {
    if (!pairs[f]) continue;
    const EntryRecord& record = entries[*pairs[f]].record;
    changed[f] = *pairs[f] < latest || record.method != planned[f].method ||
                 record.size != planned[f].size;
    latest = std::max(latest, *pairs[f]);
  }
  return changed;
}

// Sets comparison.same when packing its file gives exactly its entry, as a
// repack finds it before reusing the entry (CEntryEncoder::Compare), or,
// deflating again, as the held bytes of the archive open in archive.
void CompareOne(const PackRequest& request, CEntryEncoder& encoder,
                CReadFile& archive, Comparison& comparison) {
  const std::string& path = request.paths[comparison.file];
  if (!comparison.deflateAgain) {
    comparison.status =
        encoder.Compare(path, comparison.entry, &comparison.same);
    return;
  }
  if (!archive.IsOpen()) return;  // the archive went: nothing is the same
  const EntryRecord& record =
      comparison.entry.archive->entries()[comparison.entry.index].record;
  HeldComparer held(archive, record);
  EncodedEntry encoded;
  const Status status = encoder.Encode(path, &held, &encoded);
  if (held.differs()) return;
  comparison.status = status;
  comparison.same = status.ok() && encoded.crc == record.crc &&
                    encoded.size == record.size &&
                    encoded.packedSize == record.packedSize;
}

// Takes comparisons in turn, through next, until none is left. A thread
// that runs out of memory stops, leaving the one it had taken undone.
void CompareSome(const PackRequest& request,
                 std::vector<Comparison>& comparisons,
                 std::atomic<size_t>& next) {
  try {
    CEntryEncoder encoder(true, request.level);
    CReadFile archive;
    std::string reason;
    archive.Open(request.archiveName, &reason);
    for (size_t c; (c = next++) < comparisons.size();) {
      CompareOne(request, encoder, archive, comparisons[c]);
      comparisons[c].done = true;
    }
  } catch (const std::bad_alloc&) {
  }
}

// Makes every comparison on up to threads threads, the caller's among
// them: a thread that can't be started leaves its share to the others.
// Fails with the first failure in the request's order, and with "Not
// enough memory" when a comparison was left undone.
Status CompareAll(const PackRequest& request,
                  std::vector<Comparison>& comparisons, unsigned threads) {
  std::atomic<size_t> next{0};
  auto work = [&] { CompareSome(request, comparisons, next); };
  std::vector<std::thread> workers;
  for (unsigned t = 1; t < threads; ++t) {
    try {
      workers.emplace_back(work);
    } catch (const std::exception&) {
      break;  // no thread, or no room to keep one
    }
  }
  work();
  for (std::thread& worker : workers) worker.join();
  for (const Comparison& comparison : comparisons) {
    if (!comparison.status.ok()) return comparison.status;
    if (!comparison.done) return Status::OutOfMemory();
  }
  return Status::Ok();
}

// Fills *differences: the added and changed names in the request's order,
// then the removed ones (paired with no planned entry) in the archive's.
void ListDifferences(const std::vector<PlannedEntry>& planned,
                     const std::vector<ArchiveEntry>& entries,
                     const std::vector<std::optional<size_t>>& pairs,
                     const std::vector<bool>& changed,
                     std::vector<ArchiveDifference>* differences) {
  std::vector<bool> paired(entries.size());
  for (size_t f = 0; f < planned.size(); ++f) {
    if (!pairs[f]) {
      differences->push_back({ArchiveDifference::Kind::kAdded, planned[f].name});
      continue;
    }
    paired[*pairs[f]] = true;
    if (changed[f]) {
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
}

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
  const std::vector<std::optional<size_t>> pairs = PairByName(planned, entries);
  std::vector<bool> changed = ChangedInDirectory(planned, entries, pairs);

  // The bytes decide the rest. A deflated entry is compared as a repack
  // would reuse it where the run deflates at level 9, and deflated again
  // otherwise.
  std::vector<Comparison> comparisons;
  for (size_t f = 0; f < planned.size(); ++f) {
    if (!pairs[f] || changed[f]) continue;
    Comparison& comparison = comparisons.emplace_back();
    comparison.file = f;
    comparison.entry = EntryToReuse{&reader, *pairs[f]};
    comparison.deflateAgain = planned[f].method == kMethodDeflated &&
                              request.level != kDefaultLevel;
  }
  const unsigned threads = std::max(
      1u, std::min<unsigned>(threads_ != 0 ? threads_ : AvailableCores(),
                             static_cast<unsigned>(comparisons.size())));
  status = CompareAll(request, comparisons, threads);
  if (!status.ok()) return status;
  for (const Comparison& comparison : comparisons) {
    changed[comparison.file] = !comparison.same;
  }
  ListDifferences(planned, entries, pairs, changed, differences);
  return Status::Ok();
}

}  // namespace varnok
