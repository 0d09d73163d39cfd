#include "archive/previous_archive.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "archive/archive_format.h"
#include "base/byte_sink.h"

namespace varnok {
namespace {

// The first kProbeBytes bytes handed to it. Once it has them it stops the
// producer with a failed Status, which its caller ignores.
class Prefix {
 public:
  const std::string& bytes() const { return bytes_; }

  Status Add(const char* data, size_t n) {
    const size_t room = CPreviousArchive::kProbeBytes - bytes_.size();
    bytes_.append(data, std::min(n, room));
    return n < room ? Status::Ok() : Status::Cancelled();
  }

 private:
  std::string bytes_;
};

class HeldPrefix : public ByteSink, public Prefix {
 public:
  Status Append(std::string_view bytes) override {
    return Add(bytes.data(), bytes.size());
  }
};

class EncodedPrefix : public HeldBytesSink, public Prefix {
 public:
  Status Append(const char* data, size_t n) override { return Add(data, n); }
  Status SourceRead(size_t) override { return Status::Ok(); }
};

}  // namespace

std::vector<EntryToReuse> CPreviousArchive::Offer(
    const std::string& path, bool compress, const std::vector<File>& files) {
  std::vector<EntryToReuse> offers(files.size());
  if (!compress || !reader_.Open(path).ok()) return offers;

  // The first entry of each name, as FindEntry finds it.
  const std::vector<ArchiveEntry>& entries = reader_.entries();
  std::unordered_map<std::string_view, size_t> byName;
  byName.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    byName.emplace(entries[i].name, i);
  }
  bool offered = false;
  for (size_t f = 0; f < files.size(); ++f) {
    const auto found = byName.find(files[f].name);
    if (found == byName.end()) continue;
    const EntryRecord& record = entries[found->second].record;
    if (files[f].deflate && record.method == kMethodDeflated &&
        record.size == files[f].size) {
      offers[f] = EntryToReuse{&reader_, found->second};
      offered = true;
    }
  }
  if (!offered) return offers;

  // The files tried first are those whose held bytes are long enough to
  // show a difference, the smallest of them first (the quickest to deflate);
  // then the others, the longest held first.
  std::vector<size_t> tries;
  for (size_t f = 0; f < files.size(); ++f) {
    if (offers[f].archive != nullptr) tries.push_back(f);
  }
  auto order = [&](size_t f) {
    const EntryRecord& record = entries[offers[f].index].record;
    return record.packedSize >= kProbeBytes
               ? std::pair<int, int64_t>(0, record.size)
               : std::pair<int, int64_t>(1, -int64_t{record.packedSize});
  };
  const size_t count = std::min(tries.size(), kProbeFiles);
  std::partial_sort(tries.begin(), tries.begin() + count, tries.end(),
                    [&](size_t a, size_t b) { return order(a) < order(b); });
  tries.resize(count);
  CEntryEncoder encoder(true);
  for (size_t f : tries) {
    if (DeflatesAlike(encoder, *files[f].path, offers[f].index)) {
      return offers;
    }
  }
  return std::vector<EntryToReuse>(files.size());
}

bool CPreviousArchive::DeflatesAlike(CEntryEncoder& encoder,
                                     const std::string& path, size_t index) {
  // Both stop with a failed Status once they have enough. A file or an
  // entry that can't be read leaves its prefix short, and so different; no
  // zlib stream is empty.
  HeldPrefix held;
  reader_.ReadHeld(index, held);
  EncodedPrefix fresh;
  EncodedEntry ignored;
  encoder.Encode(path, &fresh, &ignored);
  return !held.bytes().empty() && fresh.bytes() == held.bytes();
}

}  // namespace varnok
