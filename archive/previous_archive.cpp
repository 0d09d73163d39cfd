#include "archive/previous_archive.h"

#include <unordered_map>

#include "archive/archive_format.h"

namespace varnok {

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
  for (size_t f = 0; f < files.size(); ++f) {
    const auto found = byName.find(files[f].name);
    if (found == byName.end()) continue;
    const EntryRecord& record = entries[found->second].record;
    if (files[f].deflate && record.method == kMethodDeflated &&
        record.size == files[f].size) {
      offers[f] = EntryToReuse{&reader_, found->second};
    }
  }
  return offers;
}

}  // namespace varnok
