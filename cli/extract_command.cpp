#include "cli/extract_command.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "base/escape.h"
#include "base/path_pattern.h"
#include "base/sizes.h"
#include "cli/standard_output.h"
#include "platform/extract_folder.h"
#include "platform/file_system.h"

namespace varnok {
namespace {

// True when argument names name, or a folder on its way.
bool NamesEntry(std::string_view argument, std::string_view name) {
  if (name == argument) return true;
  if (argument.empty() || name.size() <= argument.size() ||
      name.substr(0, argument.size()) != argument) {
    return false;
  }
  return argument.back() == '/' || name[argument.size()] == '/';
}

}  // namespace

ExtractCommand::ExtractCommand(CLI::App& app)
    : Command(app, "extract", "Write an archive's entries out as files") {
  CLI::App& command = subcommand();
  AddArchiveToRead(&archive_);
  command.add_option(
      "NAME", names_,
      "Entries to extract: a stored name as list --names prints it, a folder "
      "of names (everything beneath it), or a GLOB matched against the names "
      "('*' within a folder, '**' across folders, no '/': at any depth). "
      "Default: every entry");
  command.add_option("-C,--directory", folder_,
                     "Folder to extract into (default: the current one)")
      ->option_text("DIR");
  command.add_flag("-k,--keep-old-files", keepOldFiles_,
                   "Never replace an existing file: report it and go on "
                   "(exit status 1)");
  command.add_flag("-v,--verbose", verbose_, "Name each file as it is written");
}

bool ExtractCommand::Choose(const std::vector<ArchiveEntry>& entries,
                            std::vector<bool>* chosen) const {
  chosen->assign(entries.size(), names_.empty());
  bool allFound = true;
  for (const std::string& argument : names_) {
    // Stored names are spelt as the archive spells them.
    const std::optional<std::string> stored = ToArchiveEncoding(argument);
    bool found = false;
    for (size_t i = 0; stored && i < entries.size(); ++i) {
      if (NamesEntry(*stored, entries[i].name)) (*chosen)[i] = found = true;
    }
    if (stored && !found) {
      const PathPattern pattern(*stored);
      for (size_t i = 0; i < entries.size(); ++i) {
        if (pattern.Matches(entries[i].name)) (*chosen)[i] = found = true;
      }
    }
    if (!found) {
      PrintError(Status::BadRequest(messages::kNotFoundInArchive,
                                    EscapeName(argument)));
      allFound = false;
    }
  }
  return allFound;
}

int ExtractCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchive(archive_, &reader)) return kExitFailure;
  Status status;
  const std::vector<ArchiveEntry>& entries = reader.entries();
  std::vector<bool> chosen;
  bool failed = !Choose(entries, &chosen);

  CExtractFolder folder;
  status = folder.Open(folder_);
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  const CExtractFolder::Existing existing =
      keepOldFiles_ ? CExtractFolder::Existing::kKeep
                    : CExtractFolder::Existing::kReplace;
  size_t written = 0, kept = 0, failures = 0;
  uint64_t bytes = 0;
  // An engine reads the first entry of a name; a later one would overwrite
  // it, so it is not written. Names that differ only in empty or "."
  // components lead to one file, and on Windows names that differ only in
  // case.
  std::unordered_map<std::string, size_t> firstOfName;
  for (size_t i = 0; i < chosen.size(); ++i) {
    if (!chosen[i]) continue;
    const std::string& name = entries[i].name;
    std::string file;
    for (std::string_view part : NameComponents(name)) {
      (file += part) += '/';
    }
    const auto [first, added] =
        firstOfName.emplace(FileNameKey(FromArchiveEncoding(file)), i);
    if (!added) {
      status = Status::BadRequest(
          messages::kRepeatedName, EscapeName(name),
          "entry " + std::to_string(i) + ", after entry " +
              std::to_string(first->second));
    } else {
      status = folder.Extract(
          name, [&](EntrySink& sink) { return reader.ReadEntry(i, sink); },
          existing);
    }
    if (status.ok()) {
      ++written;
      bytes += entries[i].record.size;
      if (verbose_) {
        PrintNote(std::string(messages::kExtracted) + ": " + EscapeName(name));
      }
    } else {
      PrintError(status);
      ++(status.message() == messages::kFileExists ? kept : failures);
    }
  }

  std::string line = ArchiveName(archive_) + ": " + Count(written, "file", "files") +
                     " extracted to " + folder_ + ", " + FormatSize(bytes);
  if (kept > 0) line += "; " + Count(kept, "existing file", "existing files") + " kept";
  if (failures > 0) line += "; " + std::to_string(failures) + " failed";
  StandardOutput out;
  out.Print(line + "\n");
  const bool printed = out.Finish();
  return !failed && kept == 0 && failures == 0 && printed ? kExitSuccess
                                                          : kExitFailure;
}

}  // namespace varnok
