#include "scan/path_filter.h"

namespace varnok {

void PathFilter::Include(std::string_view pattern) {
  rules_.push_back({PathPattern(pattern), true});
}

void PathFilter::Exclude(std::string_view pattern) {
  rules_.push_back({PathPattern(pattern), false});
}

void PathFilter::ExcludeVersionControl() {
  for (const char* folder : {".git/", ".svn/", ".hg/", ".bzr/", "CVS/"}) {
    alwaysOut_.emplace_back(folder);
  }
}

bool PathFilter::Includes(std::string_view path) const {
  for (const PathPattern& pattern : alwaysOut_) {
    if (pattern.Matches(path)) return false;
  }
  for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
    if (rule->pattern.Matches(path)) return rule->include;
  }
  return rules_.empty() || !rules_.front().include;
}

}  // namespace varnok
