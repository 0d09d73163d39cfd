#include "cli/diff_command.h"

#include <algorithm>
#include <vector>

#include "archive/archive_diff.h"
#include "archive/archive_reader.h"
#include "base/escape.h"
#include "cli/standard_output.h"
#include "scan/path_order.h"

namespace varnok {

DiffCommand::DiffCommand(CLI::App& app)
    : Command(app, "diff",
              "Tell whether packing a folder would give exactly an archive") {
  CLI::App& command = subcommand();
  command
      .add_option("ARCHIVE", archive_,
                  "The archive: a file, never standard input")
      ->required()
      ->check(kNotEmpty)
      ->check(kNotStandardInput);
  options_.Declare(command);
  command.footer(
      "Exit status 0: packing FOLDER with these options would write exactly "
      "ARCHIVE. Exit status 1: it would not, and each stored name it would "
      "add, remove or change is printed as \"A NAME\", \"D NAME\" or "
      "\"M NAME\"; or something failed, as told on stderr.");
}

int DiffCommand::Run() {
  PackSelection selection;
  if (!options_.Select(archive_, false, &selection)) return kExitFailure;
  std::vector<ArchiveDifference> differences;
  const Status status =
      CArchiveDiff(options_.jobs()).Compare(selection.request, &differences);
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  // In the order the archive would hold them, removed names among the rest.
  std::stable_sort(differences.begin(), differences.end(),
                   [](const ArchiveDifference& a, const ArchiveDifference& b) {
                     return PathLess(a.name, b.name);
                   });
  StandardOutput out;
  for (const ArchiveDifference& difference : differences) {
    const char* mark = difference.kind == ArchiveDifference::Kind::kAdded ? "A "
                       : difference.kind == ArchiveDifference::Kind::kRemoved
                           ? "D "
                           : "M ";
    out.Print(mark + DisplayName(difference.name) + "\n");
  }
  if (!out.Finish()) return kExitFailure;
  return differences.empty() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
