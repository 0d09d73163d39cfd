#include "cli/extract_command.h"

#include <optional>
#include <string>
#include <string_view>

#include "archive/archive_extractor.h"
#include "archive/entry_selection.h"
#include "base/escape.h"
#include "base/sizes.h"
#include "cli/standard_output.h"
#include "platform/file_system.h"

namespace varnok {

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
  AddJobs(&jobs_, "read and write files");
}

bool ExtractCommand::Choose(const std::vector<ArchiveEntry>& entries,
                            std::vector<size_t>* indices) const {
  std::vector<bool> marked(entries.size(), names_.empty());
  bool allFound = true;
  for (const std::string& argument : names_) {
    // Stored names are spelt as the archive spells them.
    const std::optional<std::string> stored = ToArchiveEncoding(argument);
    const bool found = stored && ChooseEntries(entries, *stored, &marked);
    if (!found) {
      PrintError(Status::BadRequest(messages::kNotFoundInArchive,
                                    EscapeName(argument)));
      allFound = false;
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (marked[i]) indices->push_back(i);
  }
  return allFound;
}

int ExtractCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchive(archive_, &reader)) return kExitFailure;
  std::vector<size_t> chosen;
  const bool allFound = Choose(reader.entries(), &chosen);

  Tally tally;
  const Status opened = ExtractChosen(reader, chosen, &tally);
  if (!opened.ok()) {
    PrintError(opened);
    return kExitFailure;
  }
  const bool printed = PrintSummary(tally);
  return allFound && tally.kept == 0 && tally.failures == 0 && printed
             ? kExitSuccess
             : kExitFailure;
}

Status ExtractCommand::ExtractChosen(CArchiveReader& reader,
                                     const std::vector<size_t>& chosen,
                                     Tally* tally) const {
  // Each entry's end is told in entry order, whichever thread wrote it.
  class Teller : public EntryObserver {
   public:
    Teller(const ExtractCommand& command, CArchiveReader& reader, Tally* tally)
        : command_(command), reader_(reader), tally_(tally) {}
    void EntryDone(size_t index, const Status& status) override {
      command_.Report(reader_.entries()[index], status, tally_);
    }

   private:
    const ExtractCommand& command_;
    CArchiveReader& reader_;
    Tally* tally_;
  } teller(*this, reader, tally);
  ExtractOptions options;
  options.jobs = jobs_;
  options.existing = keepOldFiles_ ? CExtractFolder::Existing::kKeep
                                   : CExtractFolder::Existing::kReplace;
  return CArchiveExtractor(reader, options).Run(folder_, chosen, teller);
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
