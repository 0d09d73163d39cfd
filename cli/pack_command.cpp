#include "cli/pack_command.h"

#include <cstdio>
#include <optional>
#include <string>

#include "archive/archive_reader.h"
#include "base/escape.h"
#include "base/sizes.h"
#include "cli/pack_progress.h"
#include "cli/standard_output.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"

namespace varnok {

PackCommand::PackCommand(CLI::App& app, PackLimits limits)
    : Command(app, "pack", "Pack the files beneath a folder into an archive"),
      limits_(limits) {
  CLI::App& command = subcommand();
  options_.Declare(command);
  command
      .add_option("-o,--output", archive_,
                  "The archive to write: a file, never standard output")
      ->required()
      ->check(kNotEmpty)
      ->check(kNotStandardOutput);
  command.add_flag("--no-reuse", noReuse_,
                   "With --compress, deflate every file again, even where the "
                   "archive being replaced holds it already");
  command.add_flag("-n,--dry-run", dryRun_,
                   "Print the entries the archive would hold, with their "
                   "methods and sizes, and write nothing");
  command.add_flag("-v,--verbose", verbose_,
                   "Name each file as it is packed, and each entry left out");
  command.add_flag("-q,--quiet", quiet_, "Print nothing but errors");
}

std::vector<std::string> PackCommand::StoredNames(const PackRequest& request) {
  std::vector<std::string> names;
  names.reserve(request.paths.size());
  for (size_t i = 0; i < request.paths.size(); ++i) {
    // A path without a name fails the run before any entry is done.
    std::string name;
    const Status status = StoredNameOf(request, i, &name);
    names.push_back(status.ok() ? FromArchiveEncoding(name) : request.paths[i]);
  }
  return names;
}

int PackCommand::DryRun(const PackSelection& selection) const {
  std::vector<PlannedEntry> entries;
  Status status = CArchiveWriter().Plan(selection.request, &entries);
  // The pack would open the archive next: so does a dry run, which then
  // lets it go unwritten and leaves nothing behind.
  if (status.ok()) status = CAtomicFile(archive_).Open();
  if (!status.ok()) {
    PrintPackFailure(status, selection.request);
    return kExitFailure;
  }
  StandardOutput out;
  uint64_t total = 0;
  for (const PlannedEntry& entry : entries) {
    char fields[32];
    std::snprintf(fields, sizeof fields, "%-8s %10llu ",
                  entry.method == kMethodDeflated ? "deflated" : "stored",
                  static_cast<unsigned long long>(entry.size));
    out.Print(fields + DisplayName(entry.name) + "\n");
    total += entry.size;
  }
  if (!quiet_) {
    out.Print(archive_ + ": " + Count(entries.size(), "entry", "entries") +
              ", " + FormatSize(total) + " (dry run: nothing written)\n");
  }
  return out.Finish() ? kExitSuccess : kExitFailure;
}

std::string PackCommand::Summary(const PackSelection& selection,
                                 const PackProgress& totals,
                                 uint64_t archiveBytes) const {
  std::string line =
      archive_ + ": " + Count(totals.entriesTotal, "entry", "entries");
  if (options_.compress()) {
    line += " (" + std::to_string(totals.entriesReused) + " reused)";
  }
  line += ", " + FormatSize(totals.bytesTotal) + " in " +
          FormatSize(archiveBytes);
  std::string leftOut;
  auto add = [&leftOut](size_t n, const char* one, const char* many) {
    if (n == 0) return;
    if (!leftOut.empty()) leftOut += ", ";
    leftOut += Count(n, one, many);
  };
  add(selection.specialFiles, "link or special file", "links or special files");
  add(selection.unreadableFolders, "unreadable folder", "unreadable folders");
  add(selection.excluded, "excluded file", "excluded files");
  add(selection.temporaryFiles, "temporary file of the archive",
      "temporary files of the archive");
  if (!leftOut.empty()) line += "; left out: " + leftOut;
  return line + "\n";
}

int PackCommand::Run() {
  // What a killed run left beside the archive goes before the folder is
  // read, each named; a dry run writes, and removes, nothing.
  if (!dryRun_) {
    for (const std::string& path : CAtomicFile::RemoveLeftovers(archive_)) {
      PrintWarning(Status::IoError(messages::kRemovedLeftover, path));
    }
  }
  PackSelection selection;
  if (!options_.Select(archive_, verbose_, &selection)) return kExitFailure;
  if (dryRun_) return DryRun(selection);
  PackRequest& request = selection.request;
  request.reuse = !noReuse_;

  CPackProgress progress(!quiet_ && CanShowProgress() ? stderr : nullptr);
  const std::vector<std::string> names =
      verbose_ ? StoredNames(request) : std::vector<std::string>();
  if (verbose_) progress.NameEntries(&names);
  CArchiveWriter writer(options_.jobs(), limits_);
  Status status = writer.Pack(request, &progress);
  progress.Finish();
  if (!status.ok()) {
    PrintPackFailure(status, request);
    return kExitFailure;
  }
  if (!writer.warning().ok()) PrintWarning(writer.warning());
  if (writer.pastSignedLength()) {
    PrintWarning(Status::BadRequest(messages::kPastSignedLength, archive_,
                                    messages::kSignedOffsetsUnsafe));
  }
  if (quiet_) return kExitSuccess;
  StandardOutput out;
  out.Print(Summary(selection, progress.last(), writer.archiveLength()));
  return out.Finish() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
