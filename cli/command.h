// One command of kzf ("list", "verify", ...): it declares its arguments on
// the program's parser and, once they are parsed, runs.

#ifndef VARNOK_CLI_COMMAND_H_
#define VARNOK_CLI_COMMAND_H_

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>

#include "base/exit_status.h"
#include "base/status.h"

namespace varnok {

class CArchiveReader;

class Command {
 public:
  virtual ~Command() = default;

  // True when the command line named this command.
  bool Chosen() const { return subcommand_ != nullptr && subcommand_->parsed(); }
  // Does the command's work; returns the exit status.
  virtual int Run() = 0;

 protected:
  // Adds the command to app as a subcommand named name.
  Command(CLI::App& app, std::string_view name, std::string_view description);
  CLI::App& subcommand() { return *subcommand_; }
  // Declares the required argument ARCHIVE of a command that reads an
  // archive, into *archive: a path, or "-" for standard input (OpenArchive).
  void AddArchiveToRead(std::string* archive);
  // Declares -j,--jobs N, the threads that do work (for --help: "Threads
  // that WORK"), into *jobs, which starts as the cores this process may
  // run on.
  void AddJobs(unsigned* jobs, const char* work);

 private:
  CLI::App* subcommand_ = nullptr;
};

// Shows "kzf: message: detail: reason" on stderr, leaving out empty parts.
void PrintError(const Status& status);
// Shows "kzf: Warning: message: detail: reason" on stderr.
void PrintWarning(const Status& status);
// Shows "kzf: text" on stderr.
void PrintNote(std::string_view text);
// Every line goes out with its control characters escaped (base/escape.h),
// so that no file name can steer the terminal.

// The argument that stands for standard input or output.
inline constexpr char kStandardStream[] = "-";

// Opens the archive at path in reader, or the one standard input holds when
// path is "-"; when it can't, shows why and returns false.
bool OpenArchive(const std::string& path, CArchiveReader* reader);

// How lines name the archive argument: "standard input" for "-", otherwise
// the argument itself.
std::string ArchiveName(const std::string& argument);

// Usage errors: a count that is not a whole number of 1 or more (of
// threads); an empty argument; "-" for the archive pack writes, which must
// be a file; "-" for the archive diff compares, which it reads from a file.
extern const CLI::Validator kAtLeastOne;
extern const CLI::Validator kNotEmpty;
extern const CLI::Validator kNotStandardOutput;
extern const CLI::Validator kNotStandardInput;

}  // namespace varnok

#endif  // VARNOK_CLI_COMMAND_H_
