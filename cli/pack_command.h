// kzf pack FOLDER -o ARCHIVE [--base PATH] [--compress] [--no-reuse]
// [--jobs N] [--quiet]: packs every file beneath FOLDER, found and ordered
// as the desktop dialog finds them, into ARCHIVE. When compressing, the
// entries of an existing ARCHIVE that hold some of them already are reused.

#ifndef VARNOK_CLI_PACK_COMMAND_H_
#define VARNOK_CLI_PACK_COMMAND_H_

#include <string>

#include "cli/command.h"
#include "platform/process.h"

namespace varnok {

class PackCommand : public Command {
 public:
  explicit PackCommand(CLI::App& app);
  int Run() override;

 private:
  std::string folder_;
  std::string archive_;
  std::string basePath_ = "data/";
  bool compress_ = false;
  bool noReuse_ = false;
  unsigned jobs_ = AvailableCores();
  bool quiet_ = false;
};

}  // namespace varnok

#endif  // VARNOK_CLI_PACK_COMMAND_H_
