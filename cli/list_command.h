// kzf list ARCHIVE: one line per entry with its method, size, packed size,
// CRC and name.

#ifndef VARNOK_CLI_LIST_COMMAND_H_
#define VARNOK_CLI_LIST_COMMAND_H_

#include <string>

#include "cli/command.h"

namespace varnok {

class ListCommand : public Command {
 public:
  explicit ListCommand(CLI::App& app);
  int Run() override;

 private:
  std::string archive_;
};

}  // namespace varnok

#endif  // VARNOK_CLI_LIST_COMMAND_H_
