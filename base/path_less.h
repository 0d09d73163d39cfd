// The order in which the file list shows, and the archive stores, paths.
//
// Paths compare as byte strings with the ASCII letters A-Z folded to lower
// case and '\\' taken as '/'; paths equal under folding are ordered by their
// raw bytes, so "A.txt" comes before "a.txt" and both before "b.txt". Taking
// '\\' as '/' gives one order on every system: a folder "level" goes before
// a file "level1.map" whichever separator its paths are joined with. Bytes of
// 0x80 and above are compared as unsigned values and never folded, so the
// order is the same on every machine and in every locale.

#ifndef VARNOK_BASE_PATH_LESS_H_
#define VARNOK_BASE_PATH_LESS_H_

#include <string_view>

namespace varnok {

// True when a goes before b in the list's order.
bool PathLess(std::string_view a, std::string_view b);

}  // namespace varnok

#endif  // VARNOK_BASE_PATH_LESS_H_
