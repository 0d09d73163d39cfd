// The files a pack of one folder takes, in archive order, and what the scan
// could not take.

#ifndef VARNOK_SCAN_PACK_LIST_H_
#define VARNOK_SCAN_PACK_LIST_H_

#include <string>
#include <vector>

#include "base/status.h"
#include "scan/folder_scanner.h"

namespace varnok {

// Finds the folder a user named (path bytes, full or relative to the current
// folder) and stores its full path in *folder, as the folder picker would
// give it: a relative name joined to the current folder with one separator,
// without resolving links or dot components. Fails with kCantOpenFolder and
// the system's reason, or with kNotAFolder (base/messages.h); either names
// the folder as given. An empty name names no folder.
Status FindFolderToPack(const std::string& name, std::string* folder);

struct PackList {
  // Every file found, as full paths in the list's order (path_order.h).
  std::vector<std::string> paths;
  // Folders that could not be read to their end, with the reason; files in
  // them may be missing from paths. In the list's order.
  std::vector<UnreadableFolder> unreadableFolders;
  // Entries that are not files (links to folders, broken links, FIFOs,
  // sockets, devices). In the list's order.
  std::vector<LeftOutEntry> leftOut;
};

// Every file beneath folder, found as the desktop dialog finds them (a fresh
// CFolderScanner: ClearFolders, SetRoot(folder, true), ClearFoundFiles,
// FindFiles("*.*", files only)).
PackList ListFilesToPack(const std::string& folder);

// What a left-out entry is, in words: "FIFO", "broken symbolic link", ...
const char* DescribeLeftOut(EntryType type);

}  // namespace varnok

#endif  // VARNOK_SCAN_PACK_LIST_H_
