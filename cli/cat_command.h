// kzf cat ARCHIVE NAME...: writes the original bytes of the entries stored
// under the names, one after the other, to standard output.

#ifndef VARNOK_CLI_CAT_COMMAND_H_
#define VARNOK_CLI_CAT_COMMAND_H_

#include <string>
#include <vector>

#include "cli/command.h"

namespace varnok {

class CatCommand : public Command {
 public:
  explicit CatCommand(CLI::App& app);
  int Run() override;

 private:
  std::string archive_;
  std::vector<std::string> names_;
};

}  // namespace varnok

#endif  // VARNOK_CLI_CAT_COMMAND_H_
