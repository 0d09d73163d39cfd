#include "base/path_components.h"

namespace varnok {

std::vector<std::string_view> SplitComponents(std::string_view path,
                                              bool (*isSeparator)(char)) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (isSeparator(path[i])) {
      parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(path.substr(start));
  return parts;
}

}  // namespace varnok
