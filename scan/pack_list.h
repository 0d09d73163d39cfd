// The files a pack of one folder takes, in archive order.

#ifndef VARNOK_SCAN_PACK_LIST_H_
#define VARNOK_SCAN_PACK_LIST_H_

#include <string>
#include <vector>

#include "base/status.h"

namespace varnok {

// Finds the folder a user named (path bytes, full or relative to the current
// folder) and stores its full path in *folder, as the folder picker would
// give it: a relative name joined to the current folder with one '/',
// without resolving links or dot components. Fails with kCantOpenFolder and
// the system's reason, or with kNotAFolder (base/messages.h); either names
// the folder as given. An empty name names no folder.
Status FindFolderToPack(const std::string& name, std::string* folder);

// Every file beneath folder, found as the desktop dialog finds them (a fresh
// CFolderScanner: ClearFolders, SetRoot(folder, true), ClearFoundFiles,
// FindFiles("*.*", files only)), as full paths in the list's order
// (path_order.h).
std::vector<std::string> ListFilesToPack(const std::string& folder);

}  // namespace varnok

#endif  // VARNOK_SCAN_PACK_LIST_H_
