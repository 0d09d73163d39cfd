// What tests need to know of the system they run on, and the few things
// they do that each system does its own way. One implementation per system,
// in posix/ or win32/.
//
// Tests of behaviour that only one system has ask first and skip with a
// reason elsewhere, e.g.
//   if (test::OnWindows()) GTEST_SKIP() << "Windows has no FIFOs";
// The POSIX-only helpers below then do nothing on Windows and report that.

#ifndef VARNOK_TESTS_SUPPORT_PLATFORM_TEST_H_
#define VARNOK_TESTS_SUPPORT_PLATFORM_TEST_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnok::test {

// True when the tests run on Windows (natively or under wine).
bool OnWindows();

// The path whose UTF-8 spelling is utf8, as the programs spell paths on
// every system, whatever the C library takes narrow strings for.
inline std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// path spelt with the system's own separators, in UTF-8, as the programs
// show paths.
inline std::string NativePath(std::filesystem::path path) {
  const std::u8string utf8 = path.make_preferred().u8string();
  return std::string(utf8.begin(), utf8.end());
}

// The system's reasons, as the platform layer reports them, for a file that
// is missing from an existing folder, for a path whose folder is missing,
// and for a file where a folder was expected.
std::string NoSuchFileReason();
std::string NoSuchFolderReason();
std::string NotAFolderReason();
// Windows only: the reason for a file that another program holds open
// without sharing it.
std::string LockedFileReason();

// The system's ANSI code page on Windows (1252 in western Europe and under
// wine); 0 elsewhere.
unsigned AnsiCodePage();

// True when symbolic links can be made in folder: always on POSIX; on
// Windows only with the privilege (developer mode), and never under wine,
// which only pretends to make them.
bool CanMakeSymbolicLinks(const std::filesystem::path& folder);

// The names in folder in the order the system's own listing gives them
// (readdir, FindFirstFileW), without "." and "..".
std::vector<std::string> SystemListing(const std::string& folder);

// Sets path's last-write time, in 100-nanosecond intervals since
// 1601-01-01 UTC.
bool SetLastWriteTime(const std::string& path, uint64_t fileTime);

// Threads of this process now.
size_t ThreadCount();

// The processors this process may run on, by number, and a change of them
// (sched_setaffinity, SetProcessAffinityMask).
std::vector<int> AllowedProcessors();
bool AllowProcessors(const std::vector<int>& processors);

// POSIX only: false or nothing on Windows.
// Makes a FIFO, or a Unix-domain socket, at path.
bool MakeFifo(const std::string& path);
bool MakeSocket(const std::string& path);
// Makes a device like /dev/null at path, which only root may.
bool MakeNullDevice(const std::string& path);
// Sets the mask new files' permissions pass through; returns the old one.
unsigned SetFileCreationMask(unsigned mask);
// Makes beneath folder a chain of folders, one step at a time, down to one
// whose path is too long for the system to open (PATH_MAX); returns that
// folder's path. RemoveTooDeepFolders removes the chain again, which
// removal by path can't reach.
std::string MakeTooDeepFolders(const std::string& folder);
void RemoveTooDeepFolders(const std::string& folder);

// How a child process or a program is run.
struct ChildOptions {
  std::filesystem::path cwd;   // where it starts; the test's own when empty
  bool unprivileged = false;   // run by root, it first becomes nobody (POSIX)
  uint64_t fileSizeLimit = 0;  // bytes a file may grow to; 0: any (POSIX)
  // Files to open as stdout and stderr (/dev/full, a terminal) instead of
  // capturing them.
  std::string stdoutPath;
  std::string stderrPath;
  std::string stdinPath;       // a file to read as stdin; the test's when empty
  // With stderr a terminal (RunProgram), the width it reports; 0: its own
  // (POSIX).
  unsigned short terminalColumns = 0;
  // Variables set in its environment, name and value (POSIX).
  std::vector<std::pair<std::string, std::string>> environment;
  uint64_t maxOpenFiles = 0;   // descriptors it may hold; 0: any (POSIX)
  // Processes and threads its user may have (RLIMIT_NPROC, which binds all
  // but root); 0: any (POSIX, RunInChild only: its program could not start).
  uint64_t maxProcesses = 0;
  // Killed (SIGKILL, TerminateProcess) if still running after this long;
  // 0: never.
  std::chrono::milliseconds killAfter{0};
};

// How it ended and what it printed.
struct ChildResult {
  int exitCode = -1;  // when it exited; 128 + the signal for a program
  int signal = 0;     // the signal that ended it, or 0
  bool killed = false;  // killed after killAfter
  std::string out;    // what it wrote to stdout, unless that went elsewhere
  std::string err;    // and to stderr
};

// POSIX only (a forked child; throws on Windows): runs body in a child
// process whose stop and file-size signals act as in a user's shell, for
// faults that end or limit a process (a signal, a file-size limit, a user
// without rights). body's result is the child's exit status.
ChildResult RunInChild(const std::function<int()>& body,
                       const ChildOptions& options = {});

// Runs program with args and waits for its end, on every system. With
// stderrTerminal (POSIX only) its stderr is a pseudo-terminal, whose output
// comes back in err.
ChildResult RunProgram(const std::string& program,
                       const std::vector<std::string>& args,
                       const ChildOptions& options = {},
                       bool stderrTerminal = false);

// Keeps a file open and locked, as a program that writes it does, until the
// object goes: on Windows without sharing it (no other program may read or
// remove it), on POSIX with an exclusive flock (which keeps out only those
// who ask for the lock).
class ExclusiveFile {
 public:
  explicit ExclusiveFile(const std::string& path);
  ~ExclusiveFile();
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  bool held() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace varnok::test

#endif  // VARNOK_TESTS_SUPPORT_PLATFORM_TEST_H_
