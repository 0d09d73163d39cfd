// Names and messages made safe to print.
//
// Text passes through unchanged where it is UTF-8 that shows as itself.
// Every other byte is written as \xNN: the C0 controls, DEL, the C1 controls
// (U+0080 to U+009F), the characters that print nothing or rearrange the
// text around them (IsHidden), each byte of their UTF-8 sequences, and every
// byte that is not part of a valid UTF-8 sequence (stray continuation bytes,
// over-long forms, surrogates, code points beyond U+10FFFF, sequences cut
// short). Printed text then stays on its line, reads in the order of its
// bytes and can't steer a terminal.

#ifndef VARNOK_BASE_ESCAPE_H_
#define VARNOK_BASE_ESCAPE_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace varnok {

// A stored name for printing. The backslash is escaped as well, so that
// the output tells every name apart.
std::string EscapeName(std::string_view name);

// A whole message for a terminal: like EscapeName but with backslashes left
// alone, so that names escaped into the message earlier read as they were.
std::string EscapeControls(std::string_view text);

// True when text is valid UTF-8 throughout (controls included).
bool IsUtf8(std::string_view text);

// The valid UTF-8 sequence at the start of text: the code point it encodes
// and its length in bytes; a length of 0 when text starts with none.
struct Utf8Char {
  char32_t code = 0;
  size_t length = 0;
};
Utf8Char DecodeUtf8(std::string_view text);

// True for a code point that must not reach a terminal as it is: the
// controls (C0, DEL, C1), the format characters of Unicode's category Cf
// (among them the soft hyphen U+00AD, the zero-width spaces and joiners
// U+200B to U+200D, the direction marks, embeddings, overrides and isolates
// U+200E, U+200F, U+202A to U+202E and U+2066 to U+2069, the byte order mark
// U+FEFF and the tag characters U+E0001 to U+E007F), and the line and
// paragraph separators U+2028 and U+2029.
bool IsHidden(char32_t code);

}  // namespace varnok

#endif  // VARNOK_BASE_ESCAPE_H_
