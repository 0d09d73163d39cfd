#include "cli/pack_options.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <system_error>
#include <utility>

#include "archive/archive_self.h"
#include "base/escape.h"
#include "base/path_pattern.h"
#include "base/sizes.h"
#include "cli/command.h"
#include "platform/file_system.h"
#include "platform/read_file.h"

namespace varnok {
namespace {

// Refuses a pattern that no path beneath FOLDER can match, such as
// "./build", which would leave the filter silently doing nothing.
const CLI::Validator kCanMatch(
    [](std::string& pattern) -> std::string {
      if (PathPattern(pattern).CanMatch()) return {};
      return EscapeName(pattern) + ": " + messages::kNeverMatches;
    },
    "");

// Refuses a prefix that would make names unsafe to extract, whatever file
// follows it, or that holds a control character.
const CLI::Validator kSafePrefix(
    [](std::string& prefix) -> std::string {
      const bool control =
          std::any_of(prefix.begin(), prefix.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
          });
      if (control) return EscapeName(prefix) + ": " + messages::kControlCharacter;
      // What the code page can't spell, the pack names with the files.
      std::optional<std::string> spelt = ToArchiveEncoding(prefix);
      if (!spelt) return {};
      std::replace(spelt->begin(), spelt->end(), '\\', '/');
      // "x" stands for any file's path beneath FOLDER.
      const std::string reason = UnsafeNameReason(*spelt + "x");
      if (reason.empty()) return {};
      return EscapeName(prefix) + ": " + messages::kUnsafePrefix + ": " + reason;
    },
    "");

// Appends what stream holds to its end to *bytes; false when reading
// failed.
bool ReadStream(std::FILE* stream, std::string* bytes) {
  char buffer[64 * 1024];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
    bytes->append(buffer, n);
  }
  return !std::ferror(stream);
}

// The bytes of a list of names: the file at path, or standard input for
// "-". A path that names a pipe, as bash's <(...) does, is read as a
// stream. Fails with "Can't read file" naming the list.
Status ReadList(const std::string& path, std::string* bytes) {
  if (path == "-") {
    if (ReadStream(stdin, bytes)) return Status::Ok();
    return Status::IoError(messages::kCantReadFile, messages::kStandardInput,
                           messages::kInputOutputError);
  }
  // A pipe, as bash's <(...) gives, is read as a stream, opened once: a
  // writer may give its whole list to the first reader that opens it.
  PathInfo info;
  std::string reason;
  if (QueryPath(path, &info, &reason) && info.kind == PathKind::kOther) {
    std::FILE* pipe = std::fopen(path.c_str(), "rb");
    const bool read = pipe != nullptr && ReadStream(pipe, bytes);
    if (pipe != nullptr) std::fclose(pipe);
    if (read) return Status::Ok();
    return Status::IoError(messages::kCantReadFile, path,
                           messages::kInputOutputError);
  }
  CReadFile file;
  if (!file.Open(path, &reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  char buffer[64 * 1024];
  for (;;) {
    size_t got = 0;
    if (!file.Read(buffer, sizeof buffer, &got, &reason)) {
      return Status::IoError(messages::kCantReadFile, path, reason);
    }
    if (got == 0) return Status::Ok();
    bytes->append(buffer, got);
  }
}

}  // namespace

void PrintPackFailure(const Status& status, const PackRequest& request) {
  const std::vector<std::string> names =
      status.message() == messages::kNotInCodePage
          ? NamesNotInCodePage(request)
          : std::vector<std::string>();
  if (names.empty()) {
    PrintError(status);
    return;
  }
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) {
    PrintError(Status::BadRequest(messages::kNotInCodePage, names[i]));
  }
  if (names.size() > kNamesShown) {
    std::string more = messages::kAndMore;
    more.replace(more.find("%1"), 2, std::to_string(names.size() - kNamesShown));
    PrintError(Status::BadRequest(messages::kNotInCodePage, more));
  }
}

std::string LeftOut(const PackSelection& selection) {
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
  return leftOut.empty() ? leftOut : "; left out: " + leftOut;
}

void PackOptions::Declare(CLI::App& command, bool paths) {
  command_ = &command;
  if (paths) {
    command.add_option("PATH", paths_,
                       "Files to add, and folders to add every file beneath")
        ->required()
        ->check(kNotEmpty);
  } else {
    command.add_option("FOLDER", folder_, "The folder to pack")
        ->required()
        ->check(kNotEmpty);
  }
  CLI::Option* base = command.add_option(
      "--base", basePath_,
      "Store each file under its path from the first occurrence of this text "
      "(default: data/)");
  base->check(kNotEmpty);
  const std::string relativeTo =
      paths ? "the PATH it was found beneath (a PATH that is a file: its "
              "name), whatever that folder's own path"
            : "FOLDER, whatever the folder's own path";
  command
      .add_option("--prefix", prefix_,
                  "Store each file under P followed by its path relative to " +
                      relativeTo +
                      " (end P with '/' for a folder; a backslash in P "
                      "counts as '/')")
      ->option_text("P")
      ->check(kSafePrefix)
      ->excludes(base);
  DeclareFilters(command, paths ? "the PATH" : "FOLDER");
  if (paths) {
    // Names read once from a list are relative to one folder.
    command.parse_complete_callback([this] {
      if (!filesFrom_.empty() && paths_.size() > 1) {
        throw CLI::ValidationError(
            "--files-from", "takes one PATH, the folder its names are in");
      }
    });
  }
  DeclareMethods(command);
  command.add_flag("--skip-unreadable", skipUnreadable_,
                   "Warn about folders that can't be read and take the rest "
                   "(default: fail before writing anything)");
  command
      .add_option("-j,--jobs", jobs_,
                  "Threads that deflate or compare files (default: the cores "
                  "this process may run on)")
      ->check(kAtLeastOne)
      ->capture_default_str();
}

void PackOptions::DeclareFilters(CLI::App& command, const char* folder) {
  excludeOption_ =
      command
          .add_option("--exclude", excludes_,
                      "Leave out the files that GLOB matches (repeatable)")
          ->option_text("GLOB")
          ->allow_extra_args(false)
          ->check(kNotEmpty)
          ->check(kCanMatch);
  includeOption_ =
      command
          .add_option("--include", includes_,
                      "Take the files that GLOB matches (repeatable). Of the "
                      "--exclude and --include rules the last that matches a "
                      "file decides; a file none matches is taken unless the "
                      "first rule is an --include")
          ->option_text("GLOB")
          ->allow_extra_args(false)
          ->check(kNotEmpty)
          ->check(kCanMatch);
  command.add_flag("--exclude-vcs", excludeVcs_,
                   "Leave out the folders .git, .svn, .hg, .bzr and CVS, "
                   "whatever the other rules say");
  CLI::Option* filesFrom =
      command
          .add_option("--files-from", filesFrom_,
                      std::string("Take exactly the files FILE names, one "
                                  "a line, each relative to ") +
                          folder + " or beginning with " + folder +
                          " as given here (- for standard input)")
          ->option_text("FILE")
          ->check(kNotEmpty);
  command
      .add_flag("--null", null_,
                "The names of --files-from end with a zero byte, not a line "
                "end")
      ->needs(filesFrom);
}

void PackOptions::DeclareMethods(CLI::App& command) {
  CLI::Option* compress = command.add_flag(
      "--compress", compress_,
      "Deflate every file (default: store them unchanged)");
  command
      .add_option("--store", storePatterns_,
                  "With --compress, store the files that GLOB matches "
                  "unchanged, such as images and sounds that are compressed "
                  "already (repeatable)")
      ->option_text("GLOB")
      ->allow_extra_args(false)
      ->check(kNotEmpty)
      ->check(kCanMatch)
      ->needs(compress);
  command
      .add_option("--level", level_,
                  "Deflate at this level, 1 (fastest) to 9 (smallest, the "
                  "default and the only one that reuses entries)")
      ->option_text("1..9")
      ->check(CLI::Range(kFastestLevel, kDefaultLevel))
      ->needs(compress);
}

bool PackOptions::ListArgument(const std::string& argument,
                               PackList* list) const {
  PathInfo info;
  std::string reason;
  if (!paths_.empty() && !QueryPath(argument, &info, &reason)) {
    PrintError(Status::IoError(messages::kCantReadFile, argument, reason));
    return false;
  }
  const bool file = !paths_.empty() && info.kind == PathKind::kFile;
  // A file is listed as the one file its folder names.
  const PathParts parts = SplitPath(argument);
  const std::string spelling =
      !file ? argument : parts.folder.empty() ? std::string(".") : parts.folder;
  std::string folder;
  const Status found = FindFolderToPack(spelling, &folder);
  if (!found.ok()) {
    PrintError(found);
    return false;
  }
  if (!file) return ListFiles(folder, spelling, list);
  std::vector<Status> failures;
  *list = ListNamedFiles(folder, spelling, {parts.name}, &failures);
  for (const Status& failure : failures) PrintError(failure);
  return failures.empty();
}

bool PackOptions::ListFiles(const std::string& folder,
                            const std::string& spelling,
                            PackList* list) const {
  if (filesFrom_.empty()) {
    *list = ListFilesToPack(folder);
    return true;
  }
  std::string bytes;
  const Status read = ReadList(filesFrom_, &bytes);
  if (!read.ok()) {
    PrintError(read);
    return false;
  }
  std::vector<Status> failures;
  *list = ListNamedFiles(folder, spelling, SplitNameList(bytes, null_),
                         &failures);
  for (const Status& failure : failures) PrintError(failure);
  return failures.empty();
}

bool PackOptions::ReportScan(const PackList& list, bool verbose) const {
  if (verbose) {
    for (const LeftOutEntry& entry : list.leftOut) {
      PrintNote(std::string(messages::kLeftOut) + ": " + entry.path + ": " +
                DescribeLeftOut(entry.type));
    }
  }
  for (const UnreadableFolder& folder : list.unreadableFolders) {
    const Status status =
        Status::IoError(messages::kCantReadFolder, folder.path, folder.reason);
    if (skipUnreadable_) {
      PrintWarning(status);
    } else {
      PrintError(status);
    }
  }
  return skipUnreadable_ || list.unreadableFolders.empty();
}

void PackOptions::MakeFilter(PathFilter* filter) const {
  size_t excludes = 0, includes = 0;
  for (const CLI::Option* option : command_->parse_order()) {
    if (option == excludeOption_) filter->Exclude(excludes_[excludes++]);
    if (option == includeOption_) filter->Include(includes_[includes++]);
  }
  if (excludeVcs_) filter->ExcludeVersionControl();
}

bool PackOptions::Select(const std::string& archive, bool verbose,
                         PackSelection* selection) const {
  *selection = PackSelection{};
  PackRequest& request = selection->request;
  const std::vector<std::string> arguments =
      paths_.empty() ? std::vector<std::string>{folder_} : paths_;
  for (const std::string& argument : arguments) {
    if (!SelectFrom(argument, archive, verbose, selection)) return false;
  }
  // With --store, a flag for every file.
  if (storePatterns_.empty()) request.keepStored.clear();
  request.archiveName = archive;
  request.basePath = basePath_;
  request.compress = compress_;
  request.level = level_;
  return true;
}

bool PackOptions::SelectFrom(const std::string& argument,
                             const std::string& archive, bool verbose,
                             PackSelection* selection) const {
  PackList list;
  if (!ListArgument(argument, &list) || !ReportScan(list, verbose)) {
    return false;
  }
  selection->specialFiles += list.leftOut.size();
  selection->unreadableFolders += list.unreadableFolders.size();
  std::vector<std::string> temporaryFiles;
  const Status self =
      CArchiveSelf(archive).LeaveOut(list.paths, &temporaryFiles);
  if (!self.ok()) {
    PrintError(self);
    return false;
  }
  selection->temporaryFiles += temporaryFiles.size();
  for (size_t i = 0; verbose && i < temporaryFiles.size(); ++i) {
    PrintNote(std::string(messages::kLeftOut) + ": " + temporaryFiles[i] +
              ": " + messages::kArchiveTemporaryFile);
  }
  Filter(list, verbose, selection);
  return true;
}

void PackOptions::Filter(PackList& list, bool verbose,
                         PackSelection* selection) const {
  PathFilter filter;
  MakeFilter(&filter);
  std::vector<PathPattern> store(storePatterns_.begin(), storePatterns_.end());
  PackRequest& request = selection->request;
  request.paths.reserve(request.paths.size() + list.paths.size());
  for (std::string& path : list.paths) {
    const std::string relative = RelativePath(list.root, path);
    if (!filter.Includes(relative)) {
      if (verbose) {
        PrintNote(std::string(messages::kLeftOut) + ": " + path + ": " +
                  messages::kExcluded);
      }
      ++selection->excluded;
      continue;
    }
    bool stored = false;
    for (const PathPattern& pattern : store) {
      stored = stored || pattern.Matches(relative);
    }
    request.keepStored.push_back(stored);
    if (prefix_) request.names.push_back(*prefix_ + relative);
    request.paths.push_back(std::move(path));
  }
}

}  // namespace varnok
