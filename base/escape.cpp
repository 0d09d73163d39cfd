#include "base/escape.h"

#include <cstdio>

namespace varnok {
namespace {

void AppendEscaped(std::string* out, unsigned char byte) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
  *out += escaped;
}

// The length of the valid UTF-8 sequence at the start of text: 0 when its
// first byte starts none.
size_t SequenceLength(std::string_view text) {
  const auto byte = [&text](size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
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
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

// The length of the valid UTF-8 sequence of a printable character at the
// start of text: 0 when the first byte must be escaped.
size_t PrintableLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return lead >= 0x20 && lead != 0x7F ? 1 : 0;
  // U+0080 to U+009F, the C1 controls, are 0xC2 0x80 to 0xC2 0x9F.
  if (lead == 0xC2 && text.size() > 1 &&
      static_cast<unsigned char>(text[1]) < 0xA0) {
    return 0;
  }
  return SequenceLength(text);
}

std::string Escape(std::string_view text, bool escapeBackslash) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    size_t length = PrintableLength(text);
    if (length == 1 && escapeBackslash && text[0] == '\\') length = 0;
    if (length == 0) {
      AppendEscaped(&out, static_cast<unsigned char>(text[0]));
      text.remove_prefix(1);
    } else {
      out.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return out;
}

}  // namespace

std::string EscapeName(std::string_view name) { return Escape(name, true); }

bool IsUtf8(std::string_view text) {
  while (!text.empty()) {
    const size_t length = SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

std::string EscapeControls(std::string_view text) {
  return Escape(text, false);
}

}  // namespace varnok
