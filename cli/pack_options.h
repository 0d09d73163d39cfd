// The options that choose what a pack takes and how it holds it, shared by
// kzf pack and kzf diff, which must agree on what packing a folder gives.
//
// The files are every file beneath FOLDER, found and ordered as the desktop
// dialog finds them, or those a list names (--files-from). The filters
// (--exclude, --include, --exclude-vcs; see scan/path_filter.h) then leave
// some out, matching each file's path relative to FOLDER. An archive inside
// FOLDER is never among them. Each file is stored under its path from the
// first occurrence of the base path (--base, "data/" by default, as in the
// dialog), or under a prefix followed by its path relative to FOLDER
// (--prefix). With --compress every file is deflated, at --level, except
// those --store names.
//
// Nothing is left out without a word. A folder that can't be read fails the
// run before anything is written, unless --skip-unreadable makes it a
// warning. Entries that are not files (links to folders, broken links,
// FIFOs, sockets, devices) are never packed, nor the archive's temporary
// files (platform/temporary_name.h); with verbose, each of them and each
// file the filters leave out is named.

#ifndef VARNOK_CLI_PACK_OPTIONS_H_
#define VARNOK_CLI_PACK_OPTIONS_H_

#include <CLI/CLI.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "platform/process.h"
#include "scan/pack_list.h"
#include "scan/path_filter.h"

namespace varnok {

// What a run takes: the request, and what was left out for its summary.
struct PackSelection {
  PackRequest request;
  size_t specialFiles = 0;       // entries that are not files
  size_t unreadableFolders = 0;  // skipped with --skip-unreadable
  size_t excluded = 0;           // files the filters left out
  size_t temporaryFiles = 0;     // the archive's, left by an earlier run
};

// Says why a pack of request failed: every name the code page can't spell
// (the first kNamesShown, then how many more there are), or the failure as
// it stands.
void PrintPackFailure(const Status& status, const PackRequest& request);

// What selection left out, for a summary line: "; left out: 2 excluded
// files" and the like, or nothing.
std::string LeftOut(const PackSelection& selection);

class PackOptions {
 public:
  // Declares FOLDER, after the positionals command has already, and the
  // options on command. With paths: PATH... in FOLDER's place, files and
  // folders, each folder taken as FOLDER is and each file as the only one
  // of its folder (a --prefix name is P followed by the file's name).
  void Declare(CLI::App& command, bool paths = false);

  // Turns the parsed options into the request that writes archive. Says on
  // stderr what it leaves out (each entry, with verbose) and why it fails;
  // false when the run must stop.
  bool Select(const std::string& archive, bool verbose,
              PackSelection* selection) const;

  // Threads that deflate, or compare, files.
  unsigned jobs() const { return jobs_; }
  bool compress() const { return compress_; }

 private:
  // Declares the options that choose the files (--exclude to --null), and
  // those that choose how they are held (--compress, --store, --level).
  // folder: what --files-from names are relative to, as help shows it.
  void DeclareFilters(CLI::App& command, const char* folder);
  void DeclareMethods(CLI::App& command);
  // The files to consider of one argument: those beneath the folder it
  // names, those listed, or the file it names.
  bool ListArgument(const std::string& argument, PackList* list) const;
  bool ListFiles(const std::string& folder, const std::string& spelling,
                 PackList* list) const;
  // Adds to selection what one argument gives; false when the run must stop.
  bool SelectFrom(const std::string& argument, const std::string& archive,
                  bool verbose, PackSelection* selection) const;
  // Adds the files of list that the filters take to selection.
  void Filter(PackList& list, bool verbose, PackSelection* selection) const;
  // Says what the scan could not take; false when the run must stop.
  bool ReportScan(const PackList& list, bool verbose) const;
  // The filters in the order the command line gave them.
  void MakeFilter(PathFilter* filter) const;

  CLI::App* command_ = nullptr;
  CLI::Option* excludeOption_ = nullptr;
  CLI::Option* includeOption_ = nullptr;
  std::string folder_;
  std::vector<std::string> paths_;  // with paths, in folder_'s place
  std::string basePath_ = "data/";
  std::optional<std::string> prefix_;
  std::vector<std::string> excludes_;
  std::vector<std::string> includes_;
  bool excludeVcs_ = false;
  std::string filesFrom_;
  bool null_ = false;
  std::vector<std::string> storePatterns_;
  bool compress_ = false;
  int level_ = kDefaultLevel;
  bool skipUnreadable_ = false;
  unsigned jobs_ = AvailableCores();
};

}  // namespace varnok

#endif  // VARNOK_CLI_PACK_OPTIONS_H_
