#include "cli/list_command.h"

#include <cinttypes>
#include <cstdio>

#include "base/escape.h"
#include "base/sizes.h"
#include "cli/json_lines.h"
#include "platform/file_system.h"

namespace varnok {
namespace {

// Packed size as a share of size: "1.7%"; "-" for an empty file.
std::string Ratio(uint64_t packed, uint64_t size) {
  if (size == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                100.0 * static_cast<double>(packed) / static_cast<double>(size));
  return text;
}

}  // namespace

ListCommand::ListCommand(CLI::App& app)
    : Command(app, "list", "List an archive's entries") {
  CLI::App& command = subcommand();
  // -h is for sizes, as in ls and du.
  command.set_help_flag("--help", "Print this help message and exit");
  AddArchiveToRead(&archive_);
  CLI::Option* human = command.add_flag(
      "-h,--human-readable", human_,
      "Sizes in B, KiB, MiB, GiB and on by powers of 1024, rather than "
      "bytes");
  CLI::Option* json = command.add_flag(
      "--json", json_,
      "One JSON object per entry and line: name, method, size, packed_size, "
      "crc, offset. A name that is not valid UTF-8 also gets name_base64, "
      "its exact bytes in base64, and shows escaped in name");
  CLI::Option* names = command.add_flag(
      "--names", names_,
      "Only the names, raw, one a line, as extract takes them");
  command.add_flag("-0,--null", null_, "With --names, end each name with a zero "
                                       "byte rather than a line end")
      ->needs(names);
  json->excludes(names)->excludes(human);
  names->excludes(human);
  command.footer(
      "Ratio is the packed size as a share of the size. The CRC-32 covers an "
      "entry's held bytes: the zlib stream of a deflated entry, the file of a "
      "stored one.");
}

std::string ListCommand::SizeField(uint64_t bytes) const {
  char field[32];
  std::snprintf(field, sizeof field, "%10s",
                human_ ? FormatSize(bytes).c_str()
                       : std::to_string(bytes).c_str());
  return field;
}

void ListCommand::PrintTable(const CArchiveReader& reader,
                             StandardOutput& out) const {
  out.Print("Method         Size     Packed  Ratio CRC-32   Name\n");
  uint64_t size = 0, packed = 0;
  for (const ArchiveEntry& entry : reader.entries()) {
    const EntryRecord& record = entry.record;
    char tail[32];
    std::snprintf(tail, sizeof tail, " %6s %08" PRIx32 " ",
                  Ratio(record.packedSize, record.size).c_str(), record.crc);
    out.Print(std::string(record.method == kMethodDeflated ? "deflated"
                                                           : "stored  ") +
              " " + SizeField(record.size) + " " +
              SizeField(record.packedSize) + tail + DisplayName(entry.name) +
              "\n");
    size += record.size;
    packed += record.packedSize;
  }
  char tail[32];
  std::snprintf(tail, sizeof tail, " %6s          ",
                Ratio(packed, size).c_str());
  out.Print("Total    " + SizeField(size) + " " + SizeField(packed) + tail +
            Count(reader.entries().size(), "entry", "entries") + "\n");
}

int ListCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchive(archive_, &reader)) return kExitFailure;
  StandardOutput out;
  if (json_) {
    for (const ArchiveEntry& entry : reader.entries()) {
      out.Print(EntryJson(entry) + "\n");
    }
  } else if (names_) {
    const char end = null_ ? '\0' : '\n';
    for (const ArchiveEntry& entry : reader.entries()) {
      out.Print(FromArchiveEncoding(entry.name) + end);
    }
  } else {
    PrintTable(reader, out);
  }
  return out.Finish() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
