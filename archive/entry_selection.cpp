#include "archive/entry_selection.h"

#include "base/path_pattern.h"

namespace varnok {

bool NamesEntry(std::string_view argument, std::string_view name) {
  if (name == argument) return true;
  if (argument.empty() || name.size() <= argument.size() ||
      name.substr(0, argument.size()) != argument) {
    return false;
  }
  return argument.back() == '/' || name[argument.size()] == '/';
}

bool ChooseEntries(const std::vector<ArchiveEntry>& entries,
                   std::string_view argument, std::vector<bool>* marked) {
  bool found = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (NamesEntry(argument, entries[i].name)) (*marked)[i] = found = true;
  }
  if (found) return true;
  const PathPattern pattern(argument);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (pattern.Matches(entries[i].name)) (*marked)[i] = found = true;
  }
  return found;
}

}  // namespace varnok
