// The files a pack of one folder takes, in archive order.

#ifndef VARNOK_SCAN_PACK_LIST_H_
#define VARNOK_SCAN_PACK_LIST_H_

#include <string>
#include <vector>

namespace varnok {

// Every file beneath folder, found as the desktop dialog finds them (a fresh
// CFolderScanner: ClearFolders, SetRoot(folder, true), ClearFoundFiles,
// FindFiles("*.*", files only)), as full paths in the list's order
// (path_order.h).
std::vector<std::string> ListFilesToPack(const std::string& folder);

}  // namespace varnok

#endif  // VARNOK_SCAN_PACK_LIST_H_
