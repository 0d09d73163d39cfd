#include "cli/extract_command.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "archive/archive_reader.h"
#include "platform/extract_folder.h"
#include "platform/file_system.h"

namespace varnok {

ExtractCommand::ExtractCommand(CLI::App& app)
    : Command(app, "extract", "Write an archive's entries out as files") {
  subcommand().add_option("ARCHIVE", archive_, "The archive")->required();
  subcommand().add_option("NAME", names_,
                          "Entries to extract (default: every entry)");
  subcommand().add_option("-C,--directory", folder_,
                          "Folder to extract into (default: the current one)");
}

int ExtractCommand::Run() {
  CArchiveReader reader;
  Status status = reader.Open(archive_);
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }

  // The entries to write, in archive order.
  bool failed = false;
  std::vector<bool> chosen(reader.entries().size(), names_.empty());
  for (const std::string& name : names_) {
    // Stored names are spelt as the archive spells them.
    const std::optional<std::string> stored = ToArchiveEncoding(name);
    bool found = false;
    for (size_t i = 0; stored && i < reader.entries().size(); ++i) {
      if (reader.entries()[i].name == *stored) chosen[i] = found = true;
    }
    if (!found) {
      PrintError(Status::BadRequest(messages::kNotFoundInArchive,
                                    EscapeName(name)));
      failed = true;
    }
  }

  CExtractFolder folder;
  status = folder.Open(folder_);
  if (!status.ok()) {
    PrintError(status);
    return kExitFailure;
  }
  // An engine reads the first entry of a name; a later one would overwrite
  // it, so it is not written. Names that differ only in empty or "."
  // components lead to one file, and on Windows names that differ only in
  // case.
  std::unordered_map<std::string, size_t> firstOfName;
  for (size_t i = 0; i < chosen.size(); ++i) {
    if (!chosen[i]) continue;
    const std::string& name = reader.entries()[i].name;
    std::string file;
    for (std::string_view part : NameComponents(name)) {
      (file += part) += '/';
    }
    const auto [first, added] =
        firstOfName.emplace(FileNameKey(FromArchiveEncoding(file)), i);
    if (!added) {
      PrintError(Status::BadRequest(
          messages::kRepeatedName, EscapeName(name),
          "entry " + std::to_string(i) + ", after entry " +
              std::to_string(first->second)));
      failed = true;
      continue;
    }
    status = folder.Extract(reader.entries()[i].name, [&](EntrySink& sink) {
      return reader.ReadEntry(i, sink);
    });
    if (!status.ok()) {
      PrintError(status);
      failed = true;
    }
  }
  return failed ? kExitFailure : kExitSuccess;
}

}  // namespace varnok
