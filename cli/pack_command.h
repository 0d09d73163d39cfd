// kzf pack FOLDER -o ARCHIVE [--base PATH] [--compress] [--no-reuse]
// [--jobs N] [--skip-unreadable] [--verbose] [--quiet]: packs every file
// beneath FOLDER, found and ordered as the desktop dialog finds them, into
// ARCHIVE. When compressing, the entries of an existing ARCHIVE that hold
// some of the files already are reused.
//
// Nothing is left out without a word. A folder that can't be read fails
// the run before anything is written, unless --skip-unreadable makes it a
// warning. Entries that are not files (links to folders, broken links,
// FIFOs, sockets, devices) are never packed: the summary counts them and
// --verbose names each one.

#ifndef VARNOK_CLI_PACK_COMMAND_H_
#define VARNOK_CLI_PACK_COMMAND_H_

#include <string>

#include "archive/archive_writer.h"
#include "cli/command.h"
#include "scan/pack_list.h"
#include "platform/process.h"

namespace varnok {

class PackCommand : public Command {
 public:
  explicit PackCommand(CLI::App& app);
  int Run() override;

 private:
  // Says what the scan could not take; false when the run must stop.
  bool ReportScan(const PackList& list) const;
  // The summary line for a finished run.
  std::string Summary(const PackList& list, const PackProgress& totals) const;

  std::string folder_;
  std::string archive_;
  std::string basePath_ = "data/";
  bool compress_ = false;
  bool skipUnreadable_ = false;
  bool verbose_ = false;
  bool noReuse_ = false;
  unsigned jobs_ = AvailableCores();
  bool quiet_ = false;
};

}  // namespace varnok

#endif  // VARNOK_CLI_PACK_COMMAND_H_
