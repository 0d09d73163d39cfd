// kzf verify ARCHIVE: checks the archive's layout and every entry's data,
// naming each damaged entry, and says how many there are.

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
};

}  // namespace varnok

#endif  // VARNOK_CLI_VERIFY_COMMAND_H_
