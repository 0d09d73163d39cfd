// kzf extract ARCHIVE [NAME|FOLDER/|GLOB]... [-C DIR]: writes the archive's
// entries (or those chosen) as files beneath DIR, creating folders on the
// way, and says in one line what it wrote.
//
// Each argument chooses the entries stored under it as a name or as a
// folder ("data/maps" and "data/maps/" take everything beneath), exactly as
// `kzf list --names` prints them; an argument that names none that way is a
// pattern (base/path_pattern.h) matched against the stored names.

#ifndef VARNOK_CLI_EXTRACT_COMMAND_H_
#define VARNOK_CLI_EXTRACT_COMMAND_H_

#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "cli/command.h"

namespace varnok {

class ExtractCommand : public Command {
 public:
  explicit ExtractCommand(CLI::App& app);
  int Run() override;

 private:
  // Marks the entries the arguments choose, in *chosen; false when one of
  // them chooses none.
  bool Choose(const std::vector<ArchiveEntry>& entries,
              std::vector<bool>* chosen) const;

  std::string archive_;
  std::string folder_ = ".";
  std::vector<std::string> names_;
  bool keepOldFiles_ = false;
  bool verbose_ = false;
};

}  // namespace varnok

#endif  // VARNOK_CLI_EXTRACT_COMMAND_H_
