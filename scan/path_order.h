// The order in which the file list shows, and the archive stores, paths.
//
// Paths compare as byte strings with the ASCII letters A-Z folded to lower
// case and '\\' taken as '/'; paths equal under folding are ordered by their
// raw bytes, so "A.txt" comes before "a.txt" and both before "b.txt". Taking
// '\\' as '/' gives one order on every system: a folder "level" goes before
// a file "level1.map" whichever separator its paths are joined with. Bytes of
// 0x80 and above are compared as unsigned values and never folded, so the
// order is the same on every machine and in every locale.
//
// A list is sorted by the paths as the archive spells them
// (ToArchiveEncoding): on Windows a name's bytes in the system's code page,
// which is the order that system's archives have always had.

#ifndef VARNOK_SCAN_PATH_ORDER_H_
#define VARNOK_SCAN_PATH_ORDER_H_

#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// True when a goes before b in the list's order.
bool PathLess(std::string_view a, std::string_view b);

// Sorts paths into the list's order, each compared as the archive spells it
// (the path itself where the system can't spell it).
void SortPaths(std::vector<std::string>& paths);

}  // namespace varnok

#endif  // VARNOK_SCAN_PATH_ORDER_H_
