#include "cli/extract_command.h"

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/escape.h"
#include "base/path_pattern.h"
#include "base/sizes.h"
#include "cli/standard_output.h"
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
  std::vector<bool> chosen;
  const bool allFound = Choose(reader.entries(), &chosen);

  CExtractFolder folder;
  const Status opened = folder.Open(folder_);
  if (!opened.ok()) {
    PrintError(opened);
    return kExitFailure;
  }
  Tally tally;
  ExtractChosen(reader, chosen, folder, &tally);
  const bool printed = PrintSummary(tally);
  return allFound && tally.kept == 0 && tally.failures == 0 && printed
             ? kExitSuccess
             : kExitFailure;
}

void ExtractCommand::ExtractChosen(CArchiveReader& reader,
                                   const std::vector<bool>& chosen,
                                   CExtractFolder& folder,
                                   Tally* tally) const {
  const std::vector<ArchiveEntry>& entries = reader.entries();
  const CExtractFolder::Existing existing =
      keepOldFiles_ ? CExtractFolder::Existing::kKeep
                    : CExtractFolder::Existing::kReplace;
  // Each entry's end is told in entry order, though a file that replaces
  // another hears of it only when its batch ends. (A deque keeps its
  // elements in place as it grows.)
  std::deque<std::pair<const ArchiveEntry*, std::optional<Status>>> ends;
  const auto tell = [&] {
    for (; !ends.empty() && ends.front().second; ends.pop_front()) {
      Report(*ends.front().first, *ends.front().second, tally);
    }
  };
  // An engine reads the first entry of a name; a later one would overwrite
  // it, so it is not written. Names that differ only in empty or "."
  // components lead to one file, and on Windows names that differ only in
  // case.
  std::unordered_map<std::string, size_t> firstOfName;
  for (size_t i = 0; i < chosen.size(); ++i) {
    if (!chosen[i]) continue;
    auto& [entry, end] = ends.emplace_back(&entries[i], std::nullopt);
    std::string file;
    for (std::string_view part : NameComponents(entry->name)) {
      (file += part) += '/';
    }
    const auto [first, added] =
        firstOfName.emplace(FileNameKey(FromArchiveEncoding(file)), i);
    if (added) {
      folder.Extract(
          entry->name,
          [&reader, i](EntrySink& sink) { return reader.ReadEntry(i, sink); },
          [&end](const Status& status) { end = status; }, existing);
    } else {
      end = Status::BadRequest(messages::kRepeatedName, EscapeName(entry->name),
                               "entry " + std::to_string(i) + ", after entry " +
                                   std::to_string(first->second));
    }
    tell();
  }
  folder.Finish();
  tell();
}

void ExtractCommand::Report(const ArchiveEntry& entry, const Status& status,
                            Tally* tally) const {
  if (status.ok()) {
    ++tally->written;
    tally->bytes += entry.record.size;
    if (verbose_) {
      PrintNote(std::string(messages::kExtracted) + ": " +
                EscapeName(entry.name));
    }
  } else {
    PrintError(status);
    ++(status.message() == messages::kFileExists ? tally->kept
                                                 : tally->failures);
  }
}

bool ExtractCommand::PrintSummary(const Tally& tally) const {
  std::string line = ArchiveName(archive_) + ": " +
                     Count(tally.written, "file", "files") + " extracted to " +
                     folder_ + ", " + FormatSize(tally.bytes);
  if (tally.kept > 0) {
    line += "; " + Count(tally.kept, "existing file", "existing files") +
            " kept";
  }
  if (tally.failures > 0) {
    line += "; " + std::to_string(tally.failures) + " failed";
  }
  StandardOutput out;
  out.Print(line + "\n");
  return out.Finish();
}

}  // namespace varnok
