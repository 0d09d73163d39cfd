// kzf pack FOLDER -o ARCHIVE [options]: packs the files beneath FOLDER (see
// PackOptions for which, and under what names) into ARCHIVE, and says in
// one line what it wrote. When compressing at level 9, the entries of an
// existing ARCHIVE that hold some of the files already are reused.
// --dry-run prints the entries the archive would hold and writes nothing,
// after every check the pack makes before it writes.

#ifndef VARNOK_CLI_PACK_COMMAND_H_
#define VARNOK_CLI_PACK_COMMAND_H_

#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "cli/command.h"
#include "cli/pack_options.h"

namespace varnok {

class PackCommand : public Command {
 public:
  // limits: how far the pack lets the archive grow (tests make them small).
  explicit PackCommand(CLI::App& app, PackLimits limits = {});
  int Run() override;

 private:
  // Prints the entries a run would write.
  int DryRun(const PackSelection& selection) const;
  // The stored names of the request, for naming each entry as it is packed.
  static std::vector<std::string> StoredNames(const PackRequest& request);
  // The summary line for a finished run.
  std::string Summary(const PackSelection& selection,
                      const PackProgress& totals, uint64_t archiveBytes) const;

  const PackLimits limits_;
  PackOptions options_;
  std::string archive_;
  bool noReuse_ = false;
  bool dryRun_ = false;
  bool verbose_ = false;
  bool quiet_ = false;
};

}  // namespace varnok

#endif  // VARNOK_CLI_PACK_COMMAND_H_
