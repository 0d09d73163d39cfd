#include "base/path_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnok {
namespace {

TEST(PathPatternTest, MatchesPathsAndTheFoldersOnTheirWay) {
  const struct {
    std::string pattern;
    std::vector<std::string> matched;
    std::vector<std::string> missed;
  } cases[] = {
      // No '/' inside: any depth, files and folders.
      {"*.png", {"a.png", "textures/a.png", "x.png/in.txt"}, {"a.pngx", "png"}},
      {".git", {".git", ".git/config", "mod/.git/HEAD"}, {"a.git", ".gitignore"}},
      // A trailing '/': folders only.
      {"build/", {"build/a", "src/build/x/y"}, {"build", "builder/a"}},
      // Anchored: a '/' inside, or a leading one.
      {"textures/*.png", {"textures/a.png"}, {"mod/textures/a.png", "textures/x/a.png"}},
      {"/a.txt", {"a.txt"}, {"b/a.txt"}},
      // '*' stays within a component; '**' crosses any number of them.
      {"a/*/c", {"a/b/c", "a/b/c/d"}, {"a/c", "a/b/x/c"}},
      {"a/**/c", {"a/c", "a/b/c", "a/b/x/c"}, {"a/b/cd", "b/a/c"}},
      {"**/maps/", {"maps/m", "x/y/maps/m"}, {"maps"}},
      {"a/**", {"a/b", "a/b/c"}, {"ab/c", "b/a"}},
      {"**", {"a", "a/b"}, {}},
      {"a/**/**/b", {"a/b", "a/x/y/b"}, {"a/xb"}},
      // One character, classes, ranges, negation, escapes.
      {"?.txt", {"a.txt"}, {"ab.txt", ".txt"}},
      {"[ab]*.ogg", {"a1.ogg", "b.ogg"}, {"c.ogg"}},
      {"file[0-9]", {"file0", "file7"}, {"filex", "file10"}},
      {"[!x]y", {"ay"}, {"xy", "y"}},
      {"[^x]y", {"by"}, {"xy"}},
      {"[]]", {"]"}, {"a"}},
      // A '-' before the closing ']' is a member, not the start of a range.
      {"[a-]", {"a", "-"}, {"b", "[a-]"}},
      {"a[", {"a["}, {"a"}},
      {"\\*.txt", {"*.txt"}, {"a.txt"}},
      {"*a*b*c", {"abc", "xaybzc", "aabbcc"}, {"acb"}},
      // Bytes compare exactly: case counts, high bytes are bytes.
      {"*.PNG", {"A.PNG"}, {"a.png"}},
      {"caf\xc3\xa9/*", {"caf\xc3\xa9/x"}, {"cafe/x"}},
  };
  for (const auto& c : cases) {
    const PathPattern pattern(c.pattern);
    for (const std::string& path : c.matched) {
      EXPECT_TRUE(pattern.Matches(path)) << c.pattern << " " << path;
    }
    for (const std::string& path : c.missed) {
      EXPECT_FALSE(pattern.Matches(path)) << c.pattern << " " << path;
    }
  }
}

// Paths beneath a folder hold no empty, "." or ".." component, so a
// pattern that needs one is a mistake to be told of, not a rule that
// quietly never applies.
TEST(PathPatternTest, KnowsThePatternsThatCanMatchNoPath) {
  for (const char* pattern :
       {"./build", "/", "//", "a//b", "a/../b", "build/.", "**/./x", "."}) {
    EXPECT_FALSE(PathPattern(pattern).CanMatch()) << pattern;
  }
  for (const char* pattern :
       {"build", "/build", "build/", "**", ".git", "..x", "*.", "a/**/b"}) {
    EXPECT_TRUE(PathPattern(pattern).CanMatch()) << pattern;
  }
}

}  // namespace
}  // namespace varnok
