// kzf diff ARCHIVE FOLDER [pack options]: tells whether packing FOLDER with
// these options over ARCHIVE would leave it as it is (exit status 0, nothing
// printed) or not (exit status 1, a line for each stored name packing would
// add, remove or change: "A NAME", "D NAME", "M NAME", in the archive's
// order); exit status 2 when something fails, as diff and cmp have it.
// Writes nothing; see CArchiveDiff for the comparison.

#ifndef VARNOK_CLI_DIFF_COMMAND_H_
#define VARNOK_CLI_DIFF_COMMAND_H_

#include <string>

#include "cli/command.h"
#include "cli/pack_options.h"

namespace varnok {

class DiffCommand : public Command {
 public:
  explicit DiffCommand(CLI::App& app);
  int Run() override;

 private:
  std::string archive_;
  PackOptions options_;
};

}  // namespace varnok

#endif  // VARNOK_CLI_DIFF_COMMAND_H_
