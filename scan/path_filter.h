// Chooses the files of a pack by rules on their paths relative to the folder
// being packed, '/'-separated ("textures/a.png"); the rules' patterns are
// PathPatterns (base/path_pattern.h).
//
// Each rule includes or excludes the paths its pattern matches, and the last
// rule that matches a path decides, as in a .gitignore file: "--exclude
// 'build/' --include 'build/keep.txt'" packs build/keep.txt alone of the
// build folder. A path no rule matches is packed, unless the first rule is an
// include: then only what the rules include is packed, so that "--include
// '*.png'" means the images and nothing else. The folders of version control
// systems, once excluded, stay out whatever the other rules say.

#ifndef VARNOK_SCAN_PATH_FILTER_H_
#define VARNOK_SCAN_PATH_FILTER_H_

#include <string_view>
#include <vector>

#include "base/path_pattern.h"

namespace varnok {

class PathFilter {
 public:
  // Adds a rule after those already there.
  void Include(std::string_view pattern);
  void Exclude(std::string_view pattern);
  // Leaves out the folders .git, .svn, .hg, .bzr and CVS, at any depth.
  void ExcludeVersionControl();

  // True when the file at path is to be packed.
  bool Includes(std::string_view path) const;

 private:
  struct Rule {
    PathPattern pattern;
    bool include;
  };

  std::vector<Rule> rules_;
  std::vector<PathPattern> alwaysOut_;
};

}  // namespace varnok

#endif  // VARNOK_SCAN_PATH_FILTER_H_
