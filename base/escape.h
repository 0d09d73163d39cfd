// Names and messages made safe to print.
//
// Text passes through unchanged where it is printable UTF-8. Every other
// byte is written as \xNN: the C0 controls, DEL, the C1 controls (U+0080 to
// U+009F, each of whose two bytes is written), and every byte that is not
// part of a valid UTF-8 sequence (stray continuation bytes, over-long forms,
// surrogates, code points beyond U+10FFFF, sequences cut short). Printed
// text then stays on its line and can't steer a terminal.

#ifndef VARNOK_BASE_ESCAPE_H_
#define VARNOK_BASE_ESCAPE_H_

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

}  // namespace varnok

#endif  // VARNOK_BASE_ESCAPE_H_
