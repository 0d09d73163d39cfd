#include "archive/previous_archive.h"

#include <optional>

#include "archive/archive_format.h"

namespace varnok {

std::vector<EntryToReuse> CPreviousArchive::Offer(
    const std::string& path, bool compress, const std::vector<File>& files) {
  std::vector<EntryToReuse> offers(files.size());
  if (!compress || !reader_.Open(path).ok()) return offers;

  const std::vector<ArchiveEntry>& entries = reader_.entries();
  for (size_t f = 0; f < files.size(); ++f) {
    const std::optional<size_t> found = reader_.FindEntry(files[f].name);
    if (!found) continue;
    const EntryRecord& record = entries[*found].record;
    if (files[f].deflate && record.method == kMethodDeflated &&
        record.size == files[f].size) {
      offers[f] = EntryToReuse{&reader_, *found};
    }
  }
  return offers;
}

}  // namespace varnok
