// kzf: packs, lists, verifies and extracts kzf archives from the command
// line. Exit status: 0 success, 1 failure, 2 usage error.

#include <CLI/CLI.hpp>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/version.h"
#include "cli/command.h"
#include "cli/extract_command.h"
#include "cli/list_command.h"
#include "cli/pack_command.h"
#include "cli/standard_output.h"
#include "cli/verify_command.h"
#include "platform/console.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  using namespace varnok;
  InstallSignalHandling();
  CLI::App app("Packs, lists, verifies and extracts kzf archives.", "kzf");
  // Set before the commands are added, which inherit it.
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "kzf: " + std::string(error.what()) +
           "\nRun 'kzf --help' for more information.\n";
  });
  app.set_version_flag("--version", std::string("kzf ") + kVersion);
  app.require_subcommand(1);

  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(std::make_unique<PackCommand>(app));
  commands.push_back(std::make_unique<ListCommand>(app));
  commands.push_back(std::make_unique<VerifyCommand>(app));
  commands.push_back(std::make_unique<ExtractCommand>(app));

  // The arguments as the program spells paths, whatever the system.
  const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) {
    pointers.push_back(argument.c_str());
  }
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& error) {
    // Help and version end here too, successfully, once they are written.
    // Both streams go out through the console layer.
    std::ostringstream text, errors;
    if (app.exit(error, text, errors) != 0) {
      std::string ignored;
      WriteText(StandardStream::kError, errors.str(), &ignored);
      return kExitUsage;
    }
    StandardOutput out;
    out.Print(text.str());
    return out.Finish() ? kExitSuccess : kExitFailure;
  }
  for (const auto& command : commands) {
    if (command->Chosen()) return command->Run();
  }
  return kExitUsage;
}
