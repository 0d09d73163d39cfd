// The order in which the file list shows, and the archive stores, paths
// (PathLess, in base/path_less.h).
//
// A list is sorted by the paths as the archive spells them
// (ToArchiveEncoding): on Windows a name's bytes in the system's code page,
// which is the order that system's archives have always had.

#ifndef VARNOK_SCAN_PATH_ORDER_H_
#define VARNOK_SCAN_PATH_ORDER_H_

#include <string>
#include <vector>

#include "base/path_less.h"

namespace varnok {

// Sorts paths into the list's order, each compared as the archive spells it
// (the path itself where the system can't spell it).
void SortPaths(std::vector<std::string>& paths);

}  // namespace varnok

#endif  // VARNOK_SCAN_PATH_ORDER_H_
