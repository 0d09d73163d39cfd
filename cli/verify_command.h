// kzf verify ARCHIVE: checks the archive's layout and every entry's data,
// naming each damaged entry in entry order, and says how many there are.
// Entries are checked on several threads (--jobs).

#ifndef VARNOK_CLI_VERIFY_COMMAND_H_
#define VARNOK_CLI_VERIFY_COMMAND_H_

#include <string>

#include "cli/command.h"

namespace varnok {

class VerifyCommand : public Command {
 public:
  explicit VerifyCommand(CLI::App& app);
  int Run() override;

 private:
  std::string archive_;
  unsigned jobs_ = 0;
};

}  // namespace varnok

#endif  // VARNOK_CLI_VERIFY_COMMAND_H_
