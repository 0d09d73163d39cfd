#include "scan/path_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/platform_test.h"

namespace varnok {
namespace {

using Paths = std::vector<std::string>;

Paths SortedPaths(Paths paths) {
  SortPaths(paths);
  return paths;
}

TEST(PathOrderTest, IgnoresCaseOfAsciiLetters) {
  EXPECT_EQ(SortedPaths({"b.txt", "A.txt", "c.txt"}),
            (Paths{"A.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(SortedPaths({"/x/Textures/b.dds", "/x/sounds/A.wav",
                         "/x/textures/a.dds", "/x/MODELS/z.obj"}),
            (Paths{"/x/MODELS/z.obj", "/x/sounds/A.wav", "/x/textures/a.dds",
                   "/x/Textures/b.dds"}));
}

TEST(PathOrderTest, BreaksTiesByRawBytesUpperCaseFirst) {
  EXPECT_TRUE(PathLess("A.txt", "a.txt"));
  EXPECT_FALSE(PathLess("a.txt", "A.txt"));
  EXPECT_TRUE(PathLess("a.txt", "b.txt"));
  EXPECT_TRUE(PathLess("A.txt", "b.txt"));
  EXPECT_TRUE(PathLess("B.txt", "b.txt"));
  EXPECT_FALSE(PathLess("a.txt", "a.txt"));
  // The first case difference decides, not a later one.
  EXPECT_TRUE(PathLess("Ab", "aB"));
  EXPECT_FALSE(PathLess("aB", "Ab"));
  EXPECT_EQ(SortedPaths({"a.txt", "b.txt", "A.txt", "a.TXT", "A.TXT"}),
            (Paths{"A.TXT", "A.txt", "a.TXT", "a.txt", "b.txt"}));
}

TEST(PathOrderTest, LettersFoldToLowerCase) {
  // '_' (0x5F) lies between 'Z' and 'a': folding to lower case puts it
  // before every letter.
  EXPECT_TRUE(PathLess("_x", "Ax"));
  EXPECT_TRUE(PathLess("_x", "ax"));
  EXPECT_TRUE(PathLess("Z[", "z_"));  // '[' 0x5B before '_'
  EXPECT_TRUE(PathLess("z_", "z{"));
}

TEST(PathOrderTest, ComparesHighBytesUnsignedWithoutFolding) {
  EXPECT_TRUE(PathLess("z", "\x80"));
  EXPECT_TRUE(PathLess("a\x7F", "a\x80"));
  EXPECT_TRUE(PathLess("\xC3\x89", "\xC3\xA9"));  // É, é in UTF-8
  EXPECT_TRUE(PathLess("\xC9", "\xE9"));          // É, é in Latin-1
  EXPECT_FALSE(PathLess("\xE9", "\xC9"));
  EXPECT_EQ(SortedPaths({"\xFF", "a", "\x80", "Z"}),
            (Paths{"a", "Z", "\x80", "\xFF"}));
}

TEST(PathOrderTest, PrefixComesFirst) {
  EXPECT_TRUE(PathLess("data", "data/x"));
  EXPECT_TRUE(PathLess("DATA", "data/x"));
  EXPECT_FALSE(PathLess("data/x", "DATA"));
  EXPECT_TRUE(PathLess("", "a"));
  EXPECT_FALSE(PathLess("", ""));
  // No special rank for the separator: '.' (0x2E) comes before '/' (0x2F).
  EXPECT_EQ(SortedPaths({"A/c", "a/b", "a.b", "a"}),
            (Paths{"a", "a.b", "a/b", "A/c"}));
}

TEST(PathOrderTest, BackslashSortsAsSlash) {
  // A folder "level" before a file "level1.map" whichever separator joins
  // the paths, so that Windows packs a tree in Linux's entry order.
  EXPECT_EQ(SortedPaths({"d\\level1.map", "d\\level\\a.map", "d\\level.map"}),
            (Paths{"d\\level.map", "d\\level\\a.map", "d\\level1.map"}));
  EXPECT_EQ(SortedPaths({"d/level1.map", "d/level/a.map"}),
            (Paths{"d/level/a.map", "d/level1.map"}));
  // Equal but for the separator: '/' first.
  EXPECT_TRUE(PathLess("a/b", "a\\b"));
  EXPECT_FALSE(PathLess("a\\b", "a/b"));
}

TEST(PathOrderTest, SortsPathsAsTheArchiveSpellsThem) {
  // é and the euro sign: C3 A9 and E2 82 AC in UTF-8, E9 and 80 in code
  // page 1252, which Windows stores.
  const Paths paths = {"x/\xE2\x82\xAC", "x/\xC3\xA9"};
  if (test::AnsiCodePage() == 1252) {
    EXPECT_EQ(SortedPaths(paths), paths);
  } else if (!test::OnWindows()) {
    EXPECT_EQ(SortedPaths(paths), (Paths{paths[1], paths[0]}));
  }
}

// PathLess against the order's plain definition: the folded bytes ('\\' as
// '/') first, then the raw bytes, both compared as unsigned. The random paths
// share long prefixes and differ in case and separator; half the pairs are
// equal under folding and differ in case or separator at several places, so
// that only the tie-break orders them.
TEST(PathOrderTest, AgreesWithFoldedThenRawComparison) {
  auto key = [](const std::string& s) {
    std::string folded = s;
    for (char& c : folded) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c == '\\') c = '/';
    }
    std::basic_string<unsigned char> f(folded.begin(), folded.end());
    std::basic_string<unsigned char> r(s.begin(), s.end());
    return std::make_pair(f, r);
  };
  std::mt19937 random(20040505);
  const std::string alphabet = "aAbBzZ_/\\.01\x80\xE9\xC9";
  auto randomPath = [&] {
    std::string path = random() % 2 ? "/game/data/Textures/" : "/game/data/";
    for (size_t n = random() % 14; n > 0; --n) {
      path.push_back(alphabet[random() % alphabet.size()]);
    }
    return path;
  };
  // path with about a third of its letters in the other case and of its
  // separators the other way round: equal to path once folded.
  auto foldedTwin = [&](std::string path) {
    for (char& c : path) {
      if (random() % 3 != 0) continue;
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        c = static_cast<char>(c ^ 0x20);
      } else if (c == '/' || c == '\\') {
        c = c == '/' ? '\\' : '/';
      }
    }
    return path;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string a = randomPath();
    const std::string b = i % 2 ? foldedTwin(a) : randomPath();
    ASSERT_EQ(PathLess(a, b), key(a) < key(b)) << a << " vs " << b;
    ASSERT_EQ(PathLess(b, a), key(b) < key(a)) << b << " vs " << a;
  }
}

}  // namespace
}  // namespace varnok
