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

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "cli/command.h"
#include "platform/extract_folder.h"

namespace varnok {

class ExtractCommand : public Command {
 public:
  explicit ExtractCommand(CLI::App& app);
  int Run() override;

 private:
  // What a run has done, for its summary line.
  struct Tally {
    size_t written = 0;
    size_t kept = 0;  // existing files not replaced
    size_t failures = 0;
    uint64_t bytes = 0;
  };

  // The entries the arguments choose, in archive order, in *indices; false
  // when one of them chooses none.
  bool Choose(const std::vector<ArchiveEntry>& entries,
              std::vector<size_t>* indices) const;
  // Writes the chosen entries of reader's archive beneath the folder; fails
  // when the folder can't be opened.
  Status ExtractChosen(CArchiveReader& reader,
                       const std::vector<size_t>& chosen, Tally* tally) const;
  // Counts how the file of entry ended, and says so where it must.
  void Report(const ArchiveEntry& entry, const Status& status,
              Tally* tally) const;
  // The summary line; false when standard output fails.
  bool PrintSummary(const Tally& tally) const;

  std::string archive_;
  std::string folder_ = ".";
  std::vector<std::string> names_;
  bool keepOldFiles_ = false;
  bool verbose_ = false;
  unsigned jobs_ = 0;
};

}  // namespace varnok

#endif  // VARNOK_CLI_EXTRACT_COMMAND_H_
