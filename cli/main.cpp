// kzf: packs folders into kzf archives, and lists, verifies, extracts and
// compares them, from the command line. Exit status: 0 success, 1 failure
// (for diff: the archive differs), 2 usage error (for diff: any trouble).

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/escape.h"
#include "base/version.h"
#include "cli/cat_command.h"
#include "cli/command.h"
#include "cli/diff_command.h"
#include "cli/extract_command.h"
#include "cli/list_command.h"
#include "cli/pack_command.h"
#include "cli/standard_output.h"
#include "cli/verify_command.h"
#include "platform/console.h"
#include "platform/process.h"

namespace varnok {
namespace {

constexpr char kFooter[] = R"(Exit status:
  0  success; for diff, packing would leave the archive as it is
  1  failure, told on stderr; for diff, the archive differs
  2  the command line is wrong; for diff, also a failure

Examples:
  kzf pack assets -o game.kzf --compress --prefix data/ --exclude-vcs
  kzf diff game.kzf assets --compress --prefix data/ --exclude-vcs
  kzf extract game.kzf data/maps/ -C out

Run 'kzf COMMAND --help' for a command's options.)";

// Where a usage error sends the user: the help of the command it was in.
std::string UsageHint(const CLI::App* app) {
  const std::vector<CLI::App*> chosen = app->get_subcommands();
  const std::string command =
      chosen.empty() ? std::string("kzf") : "kzf " + chosen.front()->get_name();
  return "Run '" + command + " --help' for more information.\n";
}

}  // namespace
}  // namespace varnok

int main(int argc, char** argv) {
  using namespace varnok;
  InstallSignalHandling();
  CLI::App app("Packs folders into kzf archives, and lists, verifies, "
               "extracts and compares them.",
               "kzf");
  // Set before the commands are added, which inherit it.
  app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
    return "kzf: " + EscapeControls(error.what()) + "\n" + UsageHint(failed);
  });
  app.set_version_flag("--version", std::string("kzf ") + kVersion);
  app.require_subcommand(1);

  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(std::make_unique<PackCommand>(app));
  commands.push_back(std::make_unique<ListCommand>(app));
  commands.push_back(std::make_unique<VerifyCommand>(app));
  commands.push_back(std::make_unique<ExtractCommand>(app));
  commands.push_back(std::make_unique<CatCommand>(app));
  commands.push_back(std::make_unique<DiffCommand>(app));
  // After the commands, which keep their own.
  app.footer(kFooter);

  // The arguments as the program spells paths, whatever the system.
  const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) {
    pointers.push_back(argument.c_str());
  }
  // A first word that names no command is named back.
  if (arguments.size() > 1 && !arguments[1].empty() &&
      arguments[1][0] != '-' &&
      std::none_of(commands.begin(), commands.end(), [&](const auto& command) {
        return command->name() == arguments[1];
      })) {
    PrintNote(std::string(messages::kUnknownCommand) + ": " +
              EscapeName(arguments[1]));
    std::string ignored;
    WriteText(StandardStream::kError, UsageHint(&app), &ignored);
    return kExitUsage;
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
