#include "scan/path_order.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "platform/file_system.h"

namespace varnok {

// A merge sort: the scanner delivers each folder's paths together, and
// merging runs walks them in the order they were allocated, which is about
// twice as fast as quicksort's jumps across the heap.
void SortPaths(std::vector<std::string>& paths) {
  // Most lists are plain ASCII, which every system spells as it is.
  const bool ascii = std::all_of(paths.begin(), paths.end(), [](const std::string& path) {
    return std::all_of(path.begin(), path.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x80;
    });
  });
  std::vector<std::string> spellings;
  bool respelt = false;
  if (!ascii) {
    spellings.reserve(paths.size());
    for (const std::string& path : paths) {
      std::optional<std::string> spelling = ToArchiveEncoding(path);
      respelt = respelt || (spelling && *spelling != path);
      spellings.push_back(spelling ? std::move(*spelling) : path);
    }
  }
  if (!respelt) {
    std::stable_sort(paths.begin(), paths.end(),
                     [](const std::string& a, const std::string& b) {
                       return PathLess(a, b);
                     });
    return;
  }
  std::vector<size_t> order(paths.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return PathLess(spellings[a], spellings[b]);
  });
  std::vector<std::string> sorted;
  sorted.reserve(paths.size());
  for (size_t i : order) sorted.push_back(std::move(paths[i]));
  paths = std::move(sorted);
}

}  // namespace varnok
