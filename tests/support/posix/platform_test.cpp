#include "tests/support/platform_test.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>


namespace varnok::test {
namespace {

// The whole content of a memory file, which is closed after.
std::string ReadMemoryFile(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  for (off_t at = 0; (n = ::pread(fd, buffer, sizeof buffer, at)) > 0; at += n) {
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
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

std::vector<int> AllowedProcessors() {
  cpu_set_t mask;
  std::vector<int> processors;
  if (sched_getaffinity(0, sizeof mask, &mask) != 0) return processors;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &mask)) processors.push_back(cpu);
  }
  return processors;
}

bool AllowProcessors(const std::vector<int>& processors) {
  cpu_set_t mask;
  CPU_ZERO(&mask);
  for (int cpu : processors) CPU_SET(cpu, &mask);
  return sched_setaffinity(0, sizeof mask, &mask) == 0;
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

bool MakeNullDevice(const std::string& path) {
  return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

unsigned SetFileCreationMask(unsigned mask) {
  return static_cast<unsigned>(umask(static_cast<mode_t>(mask)));
}

namespace {

// A folder name of 200 bytes: one link of a chain.
const char* ChainLink() {
  static const std::string link(200, 'd');
  return link.c_str();
}

// Removes the chain beneath the open folder, deepest first.
void RemoveChain(int folder) {
  const int next = ::openat(folder, ChainLink(), O_RDONLY | O_DIRECTORY);
  if (next < 0) return;
  RemoveChain(next);
  ::close(next);
  ::unlinkat(folder, ChainLink(), AT_REMOVEDIR);
}

}  // namespace

std::string MakeTooDeepFolders(const std::string& folder) {
  std::string path = folder;
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
  while (fd >= 0 && path.size() < PATH_MAX) {
    ::mkdirat(fd, ChainLink(), 0755);
    const int next = ::openat(fd, ChainLink(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    path += std::string("/") + ChainLink();
  }
  if (fd >= 0) ::close(fd);
  return path;
}

void RemoveTooDeepFolders(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  RemoveChain(fd);
  ::close(fd);
}

ExclusiveFile::ExclusiveFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0 && ::flock(fd, LOCK_EX) == 0) {
    handle_ = new int(fd);
  } else if (fd >= 0) {
    ::close(fd);
  }
}

ExclusiveFile::~ExclusiveFile() {
  if (handle_ == nullptr) return;
  int* const fd = static_cast<int*>(handle_);
  ::close(*fd);
  delete fd;
}

ChildResult RunInChild(const std::function<int()>& body,
                       const ChildOptions& options) {
  const int out = memfd_create("child-stdout", 0);
  const int err = memfd_create("child-stderr", 0);
  if (out < 0 || err < 0) throw std::runtime_error("memfd_create failed");
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
      ::signal(signal, SIG_DFL);
    }
    const auto openOr = [](const std::string& path, int captured) {
      return path.empty() ? captured : ::open(path.c_str(), O_RDWR | O_NOCTTY);
    };
    const int stdoutFd = openOr(options.stdoutPath, out);
    const int stderrFd = openOr(options.stderrPath, err);
    if (stdoutFd < 0 || stderrFd < 0 || ::dup2(stdoutFd, 1) < 0 ||
        ::dup2(stderrFd, 2) < 0) {
      _exit(125);
    }
    for (const auto& [name, value] : options.environment) {
      ::setenv(name.c_str(), value.c_str(), 1);
    }
    if (!options.stdinPath.empty()) {
      const int in = ::open(options.stdinPath.c_str(), O_RDONLY);
      if (in < 0 || ::dup2(in, 0) < 0) _exit(125);
    }
    if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) _exit(125);
    if (options.fileSizeLimit != 0) {
      const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
    }
    if (options.maxOpenFiles != 0) {
      const rlimit limit{options.maxOpenFiles, options.maxOpenFiles};
      if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(125);
    }
    if (options.maxProcesses != 0) {
      const rlimit limit{options.maxProcesses, options.maxProcesses};
      if (::setrlimit(RLIMIT_NPROC, &limit) != 0) _exit(125);
    }
    if (options.unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 ||
         ::setuid(65534) != 0)) {
      _exit(125);
    }
    int code = 126;
    try {
      code = body();
    } catch (...) {
    }
    std::fflush(nullptr);
    _exit(code);
  }
  ChildResult result;
  int wstatus = 0;
  if (options.killAfter.count() > 0) {
    const auto deadline = std::chrono::steady_clock::now() + options.killAfter;
    while (::waitpid(pid, &wstatus, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid, SIGKILL);
        result.killed = true;
        break;
      }
      ::usleep(5000);
    }
  }
  if ((options.killAfter.count() == 0 || result.killed) &&
      ::waitpid(pid, &wstatus, 0) != pid) {
    throw std::runtime_error("waitpid");
  }
  if (WIFEXITED(wstatus)) result.exitCode = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
  result.out = ReadMemoryFile(out);
  result.err = ReadMemoryFile(err);
  return result;
}

ChildResult RunProgram(const std::string& program,
                       const std::vector<std::string>& args,
                       const ChildOptions& options, bool stderrTerminal) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);

  ChildOptions child = options;
  int terminal = -1;
  if (stderrTerminal) terminal = OpenTerminal(&child.stderrPath);
  if (terminal >= 0 && options.terminalColumns != 0) {
    const winsize size{24, options.terminalColumns, 0, 0};
    ::ioctl(terminal, TIOCSWINSZ, &size);
  }
  ChildResult result = RunInChild(
      [&] {
        ::execv(program.c_str(), pointers.data());
        return 127;
      },
      child);
  if (terminal >= 0) result.err = DrainTerminal(terminal);
  if (result.signal != 0) result.exitCode = 128 + result.signal;
  return result;
}

}  // namespace varnok::test
