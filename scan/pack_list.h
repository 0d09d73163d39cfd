// The files a pack of one folder takes, in archive order, and what the scan
// could not take.

#ifndef VARNOK_SCAN_PACK_LIST_H_
#define VARNOK_SCAN_PACK_LIST_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "scan/folder_scanner.h"

namespace varnok {

// Finds the folder a user named (path bytes, full or relative to the current
// folder) and stores its full path in *folder, as the folder picker would
// give it: a relative name joined to the current folder with one separator,
// "." and ".." components read as the system reads them and taken out
// (AbsolutePath), other links not resolved. Fails with kCantOpenFolder and
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
  // The folder the files were found in, as each path begins: a path is root,
  // a separator (unless root ends in one) and the file's path beneath it.
  std::string root;
  // True when an observer stopped the scan; the lists are then empty.
  bool stopped = false;
};

// Every file beneath folder, found as the desktop dialog finds them (a fresh
// CFolderScanner: ClearFolders, SetRoot(folder, true), ClearFoundFiles,
// FindFiles("*.*", files only)). observer, when given, is told of the
// scan's progress and may stop it.
PackList ListFilesToPack(const std::string& folder,
                         ScanObserver* observer = nullptr);

// The files a list names beneath folder (a full path, as FindFolderToPack
// gives it), found as ListFilesToPack would find them: full paths, each
// once, in the list's order, and the entries left out. A name may use
// either '/' or the system's separator and hold empty or "." components. A
// name that begins with the folder's full path, or with spelling (the
// folder as the user named it: "data", "../data"), and then a separator is
// read from there on, as `find data` prints "data/x" for the file x of
// data; every other name is relative to the folder ("./data/x" is the file
// x of the folder's own folder data). A name that is the folder itself
// ("data", ".") or another folder names none of its files, and is passed
// over. Links are met as the scan meets them: a link to a file is taken;
// a link to a folder or one that leads nowhere is left out; a name that
// passes through a link to a folder, or leads out of the folder ("..",
// another full path), fails with "Not in the folder being packed", and a
// missing file with "Can't read file": each failure goes to *failures.
PackList ListNamedFiles(const std::string& folder, std::string_view spelling,
                        const std::vector<std::string>& names,
                        std::vector<Status>* failures);

// The names of a list held in bytes, one a line, or each ended by a zero
// byte when nul is set. Empty names are passed over. Lines may end in CR LF,
// and a list of lines may begin with a UTF-8 byte-order mark, as lists
// written on Windows do.
std::vector<std::string> SplitNameList(std::string_view bytes, bool nul);

// path, one of the paths of a list found in root, relative to root and with
// '/' as its separator: "textures/a.png".
std::string RelativePath(std::string_view root, std::string_view path);

// What a left-out entry is, in words: "FIFO", "broken symbolic link", ...
const char* DescribeLeftOut(EntryType type);

}  // namespace varnok

#endif  // VARNOK_SCAN_PACK_LIST_H_
