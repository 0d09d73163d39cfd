// kzf: packs folders into kzf archives, and lists, verifies, extracts,
// compares and changes them, from the command line. Exit status: 0 success, 1 failure
// (for diff: the archive differs), 2 usage error (for diff: any trouble).

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/escape.h"
#include "base/messages.h"
#include "base/version.h"
#include "cli/cat_command.h"
#include "cli/command.h"
#include "cli/console_start.h"
#include "cli/diff_command.h"
#include "cli/edit_command.h"
#include "cli/extract_command.h"
#include "cli/list_command.h"
#include "cli/pack_command.h"
#include "cli/standard_output.h"
#include "cli/usage.h"
#include "cli/verify_command.h"
#include "platform/console.h"
#include "platform/process.h"

namespace varnok {
namespace {

using Commands = std::vector<std::unique_ptr<Command>>;

constexpr char kFooter[] = R"(Exit status:
  0  success; for diff, packing would leave the archive as it is
  1  failure, told on stderr; for diff, the archive differs
  2  the command line is wrong; for diff, also a failure

For list, verify, extract and cat, an ARCHIVE of - is read from standard
input; pack -o, diff, add, remove and rename take files only (./- names a
file called -).

Examples:
  kzf pack assets -o game.kzf --compress --prefix data/ --exclude-vcs
  kzf diff game.kzf assets --compress --prefix data/ --exclude-vcs
  kzf extract game.kzf data/maps/ -C out
  kzf add game.kzf patch --compress --prefix data/
  kzf rename game.kzf data/maps data/levels

Run 'kzf COMMAND --help' for a command's options.)";

// Where a usage error sends the user: the help of the command it was in.
std::string UsageHint(const CLI::App* app) {
  const std::vector<CLI::App*> chosen = app->get_subcommands();
  const std::string command =
      chosen.empty() ? std::string("kzf") : "kzf " + chosen.front()->get_name();
  return "Run '" + command + " --help' for more information.\n";
}

// Shows "kzf: text" and the hint on stderr; returns the exit status of a
// usage error.
int UsageError(const CLI::App& app, std::string_view text) {
  PrintNote(text);
  std::string ignored;
  WriteText(StandardStream::kError, UsageHint(&app), &ignored);
  return kExitUsage;
}

// Declares the program's options and its commands on app.
void DeclareProgram(CLI::App& app, Commands* commands) {
  // Set before the commands are added, which inherit it.
  app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
    return "kzf: " + EscapeControls(error.what()) + "\n" + UsageHint(failed);
  });
  app.set_version_flag("--version", std::string("kzf ") + kVersion);
  app.require_subcommand(1);
  commands->push_back(std::make_unique<PackCommand>(app));
  commands->push_back(std::make_unique<ListCommand>(app));
  commands->push_back(std::make_unique<VerifyCommand>(app));
  commands->push_back(std::make_unique<ExtractCommand>(app));
  commands->push_back(std::make_unique<CatCommand>(app));
  commands->push_back(std::make_unique<DiffCommand>(app));
  commands->push_back(std::make_unique<AddCommand>(app));
  commands->push_back(std::make_unique<RemoveCommand>(app));
  commands->push_back(std::make_unique<RenameCommand>(app));
  // After the commands, which keep their own.
  app.footer(kFooter);
}

// Ends a parse of arguments that stopped at error: writes the help or the
// version (success), or what is wrong with the command line (a usage
// error). Both streams go out through the console layer.
int FinishStoppedParse(CLI::App& app, const CLI::ParseError& error,
                       const std::vector<std::string>& arguments) {
  if (error.get_exit_code() != 0) {
    std::optional<std::string> problem = UnknownOption(app, arguments);
    if (!problem && dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
      problem = UnexpectedArguments(app, arguments);
    }
    if (problem) return UsageError(app, *problem);
  }
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

// Parses arguments (the program's name first) into app. Nothing when a
// command is to run; otherwise the exit status, once help, the version or
// a usage error is written.
std::optional<int> Parse(CLI::App& app,
                         const std::vector<std::string>& arguments) {
  if (const std::optional<std::string> unknown =
          UnknownCommand(app, arguments)) {
    return UsageError(app, *unknown);
  }
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) {
    pointers.push_back(argument.c_str());
  }
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& error) {
    return FinishStoppedParse(app, error, arguments);
  }
  return std::nullopt;
}

// Runs the command the command line chose; returns its exit status.
int RunChosen(const Commands& commands) {
  for (const auto& command : commands) {
    if (command->Chosen()) return command->Run();
  }
  return kExitUsage;
}

// The usage and how kzf is meant to be started, for a user who
// double-clicked it; the exit status of a usage error.
int ExplainCommandLineTool(const CLI::App& app) {
  StandardOutput out;
  out.Print(app.help());
  out.Print(std::string("\n") + messages::kCommandLineTool + "\n");
  out.Finish();
  return kExitUsage;
}

// Keeps a console that closes as kzf ends open until a key is pressed.
void HoldConsole() {
  std::string ignored;
  WriteText(StandardStream::kOutput,
            std::string("\n") + messages::kPressAnyKey + "\n", &ignored);
  WaitForKeyPress();
}

}  // namespace
}  // namespace varnok

int main(int argc, char** argv) {
  using namespace varnok;
  InstallSignalHandling();
  CLI::App app("Packs folders into kzf archives, and lists, verifies, "
               "extracts, compares and changes them.",
               "kzf");
  Commands commands;
  DeclareProgram(app, &commands);
  // The arguments as the program spells paths, whatever the system.
  const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
  const ConsoleStart start =
      ChooseConsoleStart(ConsoleClosesAtExit(), arguments.size());
  int status = kExitUsage;
  if (start == ConsoleStart::kExplainThenWait) {
    status = ExplainCommandLineTool(app);
  } else {
    const std::optional<int> stopped = Parse(app, arguments);
    status = stopped ? *stopped : RunChosen(commands);
  }
  if (start != ConsoleStart::kRun) HoldConsole();
  return status;
}
