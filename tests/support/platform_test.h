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

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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

// POSIX only: false, -1 or nothing on Windows.
// Makes a FIFO, or a Unix-domain socket, at path.
bool MakeFifo(const std::string& path);
bool MakeSocket(const std::string& path);
// Sets the mask new files' permissions pass through; returns the old one.
unsigned SetFileCreationMask(unsigned mask);
// Runs body in a child process (fork) and returns its exit status.
int RunInChild(const std::function<int()>& body);
// Makes writes that would grow a file of this process past bytes fail
// ("File too large"); for a child of RunInChild.
void LimitFileSize(uint64_t bytes);
// Runs body in a child process that has given up root, since root may open
// any folder, and returns what it returned; the caller's own result when it
// is no root. Nothing when the child failed.
std::optional<std::string> RunUnprivileged(
    const std::function<std::string()>& body);

// Windows only: keeps a file open with no sharing, as a program that locks
// it does, until the object goes. held() is false elsewhere.
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

// A program's run: its exit status (128 + signal when a signal killed it)
// and what it wrote.
struct ProgramResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

struct ProgramOptions {
  std::filesystem::path cwd;    // the test's own folder when empty
  bool stderrTerminal = false;  // stderr is a pseudo-terminal (POSIX only)
};

// Runs program with args and waits for it; its output passes through files
// in scratch.
ProgramResult RunProgram(const std::string& program,
                         const std::vector<std::string>& args,
                         const std::filesystem::path& scratch,
                         const ProgramOptions& options = {});

}  // namespace varnok::test

#endif  // VARNOK_TESTS_SUPPORT_PLATFORM_TEST_H_
