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
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    unsigned control = 0x100;  // none
    if (c < 0x20 || c == 0x7F) control = c;
    // U+0080 to U+009F are 0xC2 0x80 to 0xC2 0x9F.
    if (c == 0xC2 && i + 1 < text.size() &&
        static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      control = static_cast<unsigned char>(text[++i]);
    }
    if (control != 0x100) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", control);
      out += escaped;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(c);
    }
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
