#include "base/escape.h"

#include <gtest/gtest.h>

#include <string>

namespace varnok {
namespace {

TEST(EscapeTest, PassesPrintableUtf8AndEscapesEveryOtherByte) {
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"data/Stone Wall.png", "data/Stone Wall.png"},
      // Two-, three- and four-byte characters, the highest there is too.
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae \xf4\x8f\xbf\xbf",
       "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae \xf4\x8f\xbf\xbf"},
      // C0 controls, DEL, and the C1 controls after U+00A0 is printable.
      {std::string("a\0b\n\x1b[2J\x7f", 9), "a\\x00b\\x0a\\x1b[2J\\x7f"},
      {"\xc2\x80\xc2\x9b\xc2\x9f\xc2\xa0", "\\xc2\\x80\\xc2\\x9b\\xc2\\x9f\xc2\xa0"},
      // Characters that print nothing or reorder the text, each byte
      // escaped, beside printable neighbours: a right-to-left override
      // (U+202E), the soft hyphen (U+00AD, after U+00AC), zero-width space
      // (U+200B, after U+200A) to right-to-left mark (U+200F, before
      // U+2010), the line separator (U+2028, after U+2027), the pop of an
      // isolate (U+2069), the byte order mark, and the last tag (U+E007F).
      {"bidi\xe2\x80\xaetxt.exe", "bidi\\xe2\\x80\\xaetxt.exe"},
      {"\xc2\xac\xc2\xad", "\xc2\xac\\xc2\\xad"},
      {"\xe2\x80\x8a\xe2\x80\x8b\xe2\x80\x8f\xe2\x80\x90",
       "\xe2\x80\x8a\\xe2\\x80\\x8b\\xe2\\x80\\x8f\xe2\x80\x90"},
      {"\xe2\x80\xa7\xe2\x80\xa8\xe2\x81\xa9",
       "\xe2\x80\xa7\\xe2\\x80\\xa8\\xe2\\x81\\xa9"},
      {"\xef\xbb\xbf" "a\xf3\xa0\x81\xbf",
       "\\xef\\xbb\\xbfa\\xf3\\xa0\\x81\\xbf"},
      // Invalid: stray continuation, impossible lead bytes, over-long forms,
      // surrogates, past U+10FFFF, cut short at the end and mid-text.
      {"\x80\xbf", "\\x80\\xbf"},
      {"\xc0\xaf\xc1\xbf\xf5\x80\xff", "\\xc0\\xaf\\xc1\\xbf\\xf5\\x80\\xff"},
      {"\xe0\x80\xaf", "\\xe0\\x80\\xaf"},
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
      {"\xf0\x80\x80\xaf", "\\xf0\\x80\\x80\\xaf"},
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
      {"x\xe2\x82", "x\\xe2\\x82"},
      {"\xe2\x82z", "\\xe2\\x82z"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeControls(c.text), c.escaped) << c.escaped;
    EXPECT_EQ(EscapeName(c.text), c.escaped) << c.escaped;
  }
}

TEST(EscapeTest, ControlsAreUtf8AndBrokenSequencesAreNot) {
  const struct {
    std::string text;
    bool utf8;
  } cases[] = {
      {"", true},
      {std::string("a\0\n\x7f", 4), true},
      {"caf\xc3\xa9 \xc2\x85 \xf4\x8f\xbf\xbf", true},
      {"\x80", false},
      {"\xc0\xaf", false},
      {"\xed\xa0\x80", false},
      {"\xf4\x90\x80\x80", false},
      {"x\xe2\x82", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsUtf8(c.text), c.utf8) << EscapeName(c.text);
  }
}

TEST(EscapeTest, OnlyANameHasItsBackslashesEscaped) {
  EXPECT_EQ(EscapeName("a\\b\\x0a"), "a\\x5cb\\x5cx0a");
  EXPECT_EQ(EscapeControls("entry 0 (a\\x0ab)"), "entry 0 (a\\x0ab)");
}

}  // namespace
}  // namespace varnok
