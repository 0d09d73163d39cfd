// kzf list ARCHIVE: a table of the archive's entries (method, size, packed
// size, ratio, CRC-32, name) under a header, with a totals line; sizes a
// person reads with -h; JSON Lines for scripts with --json (json_lines.h);
// or the names alone, raw, one a line (-0: each ended by a zero byte) with
// --names, so that each can be handed back to extract as it stands.

#ifndef VARNOK_CLI_LIST_COMMAND_H_
#define VARNOK_CLI_LIST_COMMAND_H_

#include <string>

#include "archive/archive_reader.h"
#include "cli/command.h"
#include "cli/standard_output.h"

namespace varnok {

class ListCommand : public Command {
 public:
  explicit ListCommand(CLI::App& app);
  int Run() override;

 private:
  void PrintTable(const CArchiveReader& reader, StandardOutput& out) const;
  // A size column, 10 wide.
  std::string SizeField(uint64_t bytes) const;

  std::string archive_;
  bool human_ = false;
  bool json_ = false;
  bool names_ = false;
  bool null_ = false;
};

}  // namespace varnok

#endif  // VARNOK_CLI_LIST_COMMAND_H_
