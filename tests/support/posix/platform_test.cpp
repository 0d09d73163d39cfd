#include "tests/support/platform_test.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>


extern char** environ;

namespace varnok::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The terminal side of a pseudo-terminal and the name of the program's side.
int OpenTerminal(std::string* programSide) {
  const int fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
    throw std::runtime_error("can't open a pseudo-terminal");
  }
  *programSide = ptsname(fd);
  return fd;
}

// What is left to read on a terminal whose program side has closed.
std::string DrainTerminal(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

}  // namespace

bool OnWindows() { return false; }

std::string NoSuchFileReason() { return std::strerror(ENOENT); }
std::string NoSuchFolderReason() { return std::strerror(ENOENT); }
std::string NotAFolderReason() { return std::strerror(ENOTDIR); }

std::string LockedFileReason() { return std::string(); }

unsigned AnsiCodePage() { return 0; }

bool CanMakeSymbolicLinks(const std::filesystem::path&) { return true; }

std::vector<std::string> SystemListing(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* d = readdir(dir)) {
    const std::string name = d->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

bool SetLastWriteTime(const std::string& path, uint64_t fileTime) {
  // Seconds from 1601-01-01 to 1970-01-01.
  constexpr uint64_t kEpochDifference = 11644473600;
  const timespec time = {
      static_cast<time_t>(fileTime / 10000000 - kEpochDifference),
      static_cast<long>(fileTime % 10000000 * 100)};
  const timespec times[2] = {time, time};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

size_t ThreadCount() {
  size_t count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    (void)task;
    ++count;
  }
  return count;
}

bool MakeFifo(const std::string& path) {
  return mkfifo(path.c_str(), 0644) == 0;
}

bool MakeSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  path.copy(address.sun_path, path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool bound =
      bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return bound;
}

unsigned SetFileCreationMask(unsigned mask) {
  return static_cast<unsigned>(umask(static_cast<mode_t>(mask)));
}

int RunInChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) _exit(body());
  int wstatus = 0;
  if (waitpid(child, &wstatus, 0) != child || !WIFEXITED(wstatus)) return -1;
  return WEXITSTATUS(wstatus);
}

void LimitFileSize(uint64_t bytes) {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes};
  setrlimit(RLIMIT_FSIZE, &limit);
}

std::optional<std::string> RunUnprivileged(
    const std::function<std::string()>& body) {
  if (geteuid() != 0) return body();
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    const std::string out = body();
    const bool written = write(pipeFds[1], out.data(), out.size()) ==
                         static_cast<ssize_t>(out.size());
    _exit(written ? 0 : 3);
  }
  close(pipeFds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
    out.append(buffer, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  return out;
}

ExclusiveFile::ExclusiveFile(const std::string&) {}
ExclusiveFile::~ExclusiveFile() = default;

ProgramResult RunProgram(const std::string& program,
                         const std::vector<std::string>& args,
                         const std::filesystem::path& scratch,
                         const ProgramOptions& options) {
  const std::string outPath = (scratch / "program.stdout").string();
  const std::string errPath = (scratch / "program.stderr").string();
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int terminal = -1;
  std::string terminalPath;
  if (options.stderrTerminal) {
    terminal = OpenTerminal(&terminalPath);
    posix_spawn_file_actions_addopen(&actions, 2, terminalPath.c_str(),
                                     O_RDWR | O_NOCTTY, 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!options.cwd.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());
  }
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr,
                                  pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("can't start " + program);

  int wstatus = 0;
  if (waitpid(pid, &wstatus, 0) != pid) throw std::runtime_error("waitpid");
  ProgramResult result;
  result.exitCode = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus)
                                       : 128 + WTERMSIG(wstatus);
  result.out = ReadFile(outPath);
  result.err = terminal >= 0 ? DrainTerminal(terminal) : ReadFile(errPath);
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return result;
}

}  // namespace varnok::test
