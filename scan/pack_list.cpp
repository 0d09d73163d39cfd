#include "scan/pack_list.h"

#include "scan/folder_scanner.h"
#include "scan/path_order.h"

namespace varnok {

std::vector<std::string> ListFilesToPack(const std::string& folder) {
  CFolderScanner scanner;
  scanner.ClearFolders();
  scanner.SetRoot(folder, true);
  scanner.ClearFoundFiles();
  scanner.FindFiles("*.*", true, false);

  std::vector<std::string> paths;
  paths.reserve(scanner.foundFiles().size());
  for (const FoundFile& found : scanner.foundFiles()) {
    paths.push_back(found.path);
  }
  SortPaths(paths);
  return paths;
}

}  // namespace varnok
