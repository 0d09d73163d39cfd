#include "scan/path_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnok {
namespace {

TEST(PathFilterTest, TheLastMatchingRuleDecides) {
  struct Rule {
    bool include;
    std::string pattern;
  };
  const struct {
    std::vector<Rule> rules;
    bool vcs;
    std::vector<std::string> packed;
    std::vector<std::string> leftOut;
  } cases[] = {
      {{}, false, {"a.txt", ".git/config"}, {}},
      {{{false, "*.psd"}}, false, {"a.png"}, {"a.psd", "art/b.psd"}},
      // A later include takes back a file of an excluded folder.
      {{{false, "build/"}, {true, "build/keep.txt"}},
       false,
       {"build/keep.txt", "src/a"},
       {"build/a.o", "build/x/keep.txt"}},
      // And a later exclude wins over an earlier include.
      {{{true, "textures/"}, {false, "*.tmp"}},
       false,
       {"textures/a.png"},
       {"textures/a.tmp", "readme.txt"}},
      // A first include: only what the rules include is packed.
      {{{true, "*.png"}}, false, {"a.png", "x/b.png"}, {"a.txt"}},
      // Version control folders stay out, whatever is included.
      {{{true, "*.png"}},
       true,
       {"a.png"},
       {".git/x.png", "mod/.svn/y.png", "CVS/z.png", ".hg/a.png", ".bzr/b.png"}},
      {{}, true, {"a.git", "CVS", ".gitignore"}, {".git/config"}},
  };
  for (const auto& c : cases) {
    PathFilter filter;
    for (const Rule& rule : c.rules) {
      if (rule.include) {
        filter.Include(rule.pattern);
      } else {
        filter.Exclude(rule.pattern);
      }
    }
    if (c.vcs) filter.ExcludeVersionControl();
    for (const std::string& path : c.packed) {
      EXPECT_TRUE(filter.Includes(path)) << path;
    }
    for (const std::string& path : c.leftOut) {
      EXPECT_FALSE(filter.Includes(path)) << path;
    }
  }
}

}  // namespace
}  // namespace varnok
