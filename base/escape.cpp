#include "base/escape.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace varnok {
namespace {

// The format characters (Unicode 15's category Cf), with the line and
// paragraph separators U+2028 and U+2029 in the run of U+202A to U+202E;
// sorted, ranges inclusive.
struct CodeRange {
  char32_t first, last;
};
constexpr CodeRange kFormatCharacters[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},
    {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},
    {0x2028, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

void AppendEscaped(std::string* out, unsigned char byte) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
  *out += escaped;
}

std::string Escape(std::string_view text, bool escapeBackslash) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Utf8Char c = DecodeUtf8(text);
    const size_t length = std::max<size_t>(c.length, 1);
    if (c.length == 0 || IsHidden(c.code) ||
        (escapeBackslash && c.code == '\\')) {
      for (size_t i = 0; i < length; ++i) {
        AppendEscaped(&out, static_cast<unsigned char>(text[i]));
      }
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace

Utf8Char DecodeUtf8(std::string_view text) {
  const auto byte = [&text](size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  if (text.empty()) return {};
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  // The sequence's length and the range its second byte must lie in, which
  // rules out over-long forms, surrogates and code points past U+10FFFF.
  size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return {};
  char32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return {};
    code = (code << 6) | (byte(i) & 0x3F);
  }
  return {code, length};
}

bool IsHidden(char32_t code) {
  if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return true;
  const auto after = std::upper_bound(
      std::begin(kFormatCharacters), std::end(kFormatCharacters), code,
      [](char32_t c, const CodeRange& range) { return c < range.first; });
  return after != std::begin(kFormatCharacters) && code <= (after - 1)->last;
}

std::string EscapeName(std::string_view name) { return Escape(name, true); }

std::string EscapeControls(std::string_view text) {
  return Escape(text, false);
}

bool IsUtf8(std::string_view text) {
  while (!text.empty()) {
    const size_t length = DecodeUtf8(text).length;
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

}  // namespace varnok
