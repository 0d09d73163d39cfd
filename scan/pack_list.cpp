#include "scan/pack_list.h"

#include "scan/folder_scanner.h"
#include "scan/path_order.h"

namespace varnok {

std::vector<std::string> ListFilesToPack(const std::string& folder) {
  // Only the paths are needed, so no file is asked for its status.
  CFolderScanner scanner(CFolderScanner::Details::kPathsOnly);
  scanner.ClearFolders();
  scanner.SetRoot(folder, true);
  scanner.ClearFoundFiles();
  scanner.FindFiles("*.*", true, false);

  std::vector<FoundFile> found = scanner.TakeFoundFiles();
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (FoundFile& file : found) paths.push_back(std::move(file.path));
  SortPaths(paths);
  return paths;
}

}  // namespace varnok
