// The order in which the file list shows, and the archive stores, paths.
//
// Paths compare as byte strings with the ASCII letters A-Z folded to lower
// case; paths equal under folding are ordered by their raw bytes, so "A.txt"
// comes before "a.txt" and both before "b.txt". Bytes of 0x80 and above are
// compared as unsigned values and never folded, so the order is the same on
// every machine and in every locale.

#ifndef VARNOK_SCAN_PATH_ORDER_H_
#define VARNOK_SCAN_PATH_ORDER_H_

#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// True when a goes before b in the list's order.
bool PathLess(std::string_view a, std::string_view b);

// Sorts paths into the list's order.
void SortPaths(std::vector<std::string>& paths);

}  // namespace varnok

#endif  // VARNOK_SCAN_PATH_ORDER_H_
