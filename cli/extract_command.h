// kzf extract ARCHIVE [-C DIR] [NAME...]: writes the archive's entries (or
// the named ones) as files beneath DIR, creating folders on the way.

#ifndef VARNOK_CLI_EXTRACT_COMMAND_H_
#define VARNOK_CLI_EXTRACT_COMMAND_H_

#include <string>
#include <vector>

#include "cli/command.h"

namespace varnok {

class ExtractCommand : public Command {
 public:
  explicit ExtractCommand(CLI::App& app);
  int Run() override;

 private:
  std::string archive_;
  std::string folder_ = ".";
  std::vector<std::string> names_;
};

}  // namespace varnok

#endif  // VARNOK_CLI_EXTRACT_COMMAND_H_
