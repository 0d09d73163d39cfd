#include "cli/diff_command.h"

#include <algorithm>
#include <string>
#include <vector>

#include "archive/archive_diff.h"
#include "archive/archive_reader.h"
#include "archive/entry_encoder.h"
#include "base/escape.h"
#include "cli/standard_output.h"
#include "scan/path_order.h"

namespace varnok {
namespace {

// As diff and cmp have it: 1 tells a difference, 2 trouble.
constexpr int kExitDiffers = 1;
constexpr int kExitTrouble = 2;

}  // namespace

DiffCommand::DiffCommand(CLI::App& app)
    : Command(app, "diff",
              "Tell whether packing a folder over an archive would leave it "
              "as it is") {
  CLI::App& command = subcommand();
  command
      .add_option("ARCHIVE", archive_,
                  "The archive: a file, never standard input")
      ->required()
      ->check(kNotEmpty)
      ->check(kNotStandardInput);
  options_.Declare(command);
  auto kib = [](size_t bytes) { return std::to_string(bytes / 1024) + " KiB"; };
  command.footer(
      "Exit status 0: packing FOLDER with these options over ARCHIVE would "
      "leave it byte for byte as it is. Every name is in its place, with the "
      "method and size packing gives it, and each file holds exactly what "
      "its entry holds or inflates to. At level 9 a deflated entry passes "
      "the checks a pack makes before it reuses one: its zlib header is the "
      "one level 9 writes, and deflating the file again gives all of its "
      "stream, for a file of up to " + kib(CEntryEncoder::kWholeProbeBytes) +
      ", or, for a longer file, its start: what deflate puts out for the "
      "first " + kib(CEntryEncoder::kProbeBytes) + " (a block at a time, so "
      "for a file that compresses well this may be the header alone). The "
      "rest of the stream is not compared: a pack with --no-reuse may still "
      "differ there. At other levels each deflated entry is compared whole "
      "with a fresh deflate. Exit status 1: packing would change ARCHIVE, "
      "and each stored name it would add, remove or change is printed as "
      "\"A NAME\", \"D NAME\" or \"M NAME\". Exit status 2: something "
      "failed, as told on stderr, or the command line is wrong.");
}

int DiffCommand::Run() {
  PackSelection selection;
  if (!options_.Select(archive_, false, &selection)) return kExitTrouble;
  std::vector<ArchiveDifference> differences;
  const Status status =
      CArchiveDiff(options_.jobs()).Compare(selection.request, &differences);
  if (!status.ok()) {
    PrintError(status);
    return kExitTrouble;
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
  if (!out.Finish()) return kExitTrouble;
  return differences.empty() ? kExitSuccess : kExitDiffers;
}

}  // namespace varnok
