#include "ui/core/command_line.h"

#include <CLI/CLI.hpp>

#include <sstream>

#include "base/escape.h"
#include "base/exit_status.h"
#include "base/version.h"
#include "platform/file_system.h"

namespace varnok {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CLI::App app(
      "Packs the files beneath a folder into a kzf archive, the file a game "
      "engine reads its assets from, and shows what an archive holds.",
      "varnok");
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "varnok: " + EscapeControls(error.what()) +
           "\nRun 'varnok --help' for more information.\n";
  });
  app.set_help_flag("-h,--help", "Show this help and exit.");
  app.set_version_flag("-v,--version", std::string("varnok ") + kVersion,
                       "Show the version and exit.");
  std::string path;
  CLI::Option* pathOption = app.add_option(
      "FOLDER|ARCHIVE", path,
      "A folder: list the files beneath it when the dialog opens, as if it "
      "had been picked. An archive: open it in a window of its own.");
  pathOption->type_name("");

  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) {
    pointers.push_back(argument.c_str());
  }
  CommandLine result;
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& error) {
    // Help and version end here too, successfully.
    std::ostringstream out, err;
    result.exitStatus =
        app.exit(error, out, err) == 0 ? kExitSuccess : kExitUsage;
    result.out = out.str();
    result.err = err.str();
    return result;
  }
  if (pathOption->count() == 0) return result;
  PathInfo info;
  std::string reason;
  const bool known = QueryPath(path, &info, &reason);
  if (known && info.kind != PathKind::kFolder) {
    result.archive = path;
  } else {
    result.folder = path;
  }
  return result;
}

}  // namespace varnok
