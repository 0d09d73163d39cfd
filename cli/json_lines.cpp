#include "cli/json_lines.h"

#include <cinttypes>
#include <cstdio>

#include "base/escape.h"
#include "platform/file_system.h"

namespace varnok {

std::string EntryJson(const ArchiveEntry& entry) {
  const EntryRecord& record = entry.record;
  std::string line = "{\"name\":";
  const std::string name = FromArchiveEncoding(entry.name);
  if (IsUtf8(name)) {
    line += JsonString(name);
  } else {
    line += JsonString(EscapeName(name)) +
            ",\"name_base64\":\"" + Base64(entry.name) + "\"";
  }
  char fields[160];
  std::snprintf(fields, sizeof fields,
                ",\"method\":\"%s\",\"size\":%" PRIu32
                ",\"packed_size\":%" PRIu32 ",\"crc\":\"%08" PRIx32
                "\",\"offset\":%" PRIu32 "}",
                record.method == kMethodDeflated ? "deflated" : "stored",
                record.size, record.packedSize, record.crc, record.dataOffset);
  return line + fields;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    const Utf8Char c = DecodeUtf8(text);
    const size_t length = c.length == 0 ? 1 : c.length;
    if (c.length != 0 && IsHidden(c.code)) {
      char escaped[16];
      if (c.code > 0xFFFF) {  // as a surrogate pair
        const char32_t v = c.code - 0x10000;
        std::snprintf(escaped, sizeof escaped, "\\u%04x\\u%04x",
                      static_cast<unsigned>(0xD800 + (v >> 10)),
                      static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
      } else {
        std::snprintf(escaped, sizeof escaped, "\\u%04x",
                      static_cast<unsigned>(c.code));
      }
      out += escaped;
    } else if (text[0] == '"' || text[0] == '\\') {
      out += '\\';
      out += text[0];
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out + "\"";
}

std::string Base64(std::string_view bytes) {
  static const char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
  }
  return out;
}

}  // namespace varnok
