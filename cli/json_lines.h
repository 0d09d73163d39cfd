// What kzf list --json writes: one JSON object per entry, a line each
// (JSON Lines), for scripts.
//
//   {"name":"data/a.png","method":"deflated","size":1200,"packed_size":845,
//    "crc":"1f2e3d4c","offset":4045}
//
// A name is a JSON string when it is valid UTF-8. One that is not also gets
// "name_base64", its exact bytes in base64, while "name" shows it as kzf
// list does, with \xNN escapes: a script takes the bytes from name_base64
// when it is there, and from name otherwise.

#ifndef VARNOK_CLI_JSON_LINES_H_
#define VARNOK_CLI_JSON_LINES_H_

#include <string>
#include <string_view>

#include "archive/archive_reader.h"

namespace varnok {

// The JSON object of entry, without a line end.
std::string EntryJson(const ArchiveEntry& entry);

// A JSON string of text, valid UTF-8: quotes and backslashes escaped, and
// the characters that EscapeName escapes (controls, format characters, line
// and paragraph separators; base/escape.h) written as \uXXXX, so that the
// line stays one line, reads in the order of its bytes and steers no
// terminal, while a JSON reader gets the name back exactly.
std::string JsonString(std::string_view text);

// bytes in standard base64, with padding.
std::string Base64(std::string_view bytes);

}  // namespace varnok

#endif  // VARNOK_CLI_JSON_LINES_H_
