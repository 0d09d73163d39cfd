// Runs part of a test in a forked child process, and reports how the child
// ended and what it printed: for faults that end or limit a process (a
// signal, a file-size limit, a user without rights) and for running kzf.

#ifndef VARNOK_TESTS_SUPPORT_CHILD_PROCESS_H_
#define VARNOK_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace varnok::test {

struct ChildOptions {
  std::filesystem::path cwd;   // where the child starts; the test's own when empty
  bool unprivileged = false;   // run by root, the child first becomes nobody
  uint64_t fileSizeLimit = 0;  // bytes a file may grow to (RLIMIT_FSIZE); 0: any
  // Files to open as stdout and stderr (/dev/full, a terminal) instead of
  // capturing them.
  std::string stdoutPath;
  std::string stderrPath;
  std::string stdinPath;  // a file to read as stdin; none when empty
};

struct ChildResult {
  int exitCode = -1;  // when it exited
  int signal = 0;     // the signal that ended it, or 0
  std::string out;    // what it wrote to stdout, unless that went elsewhere
  std::string err;    // and to stderr
};

// The whole content of a memory file.
inline std::string ReadMemoryFile(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  for (off_t at = 0; (n = ::pread(fd, buffer, sizeof buffer, at)) > 0; at += n) {
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

// Runs body in a child whose stop and file-size signals act as in a user's
// shell; body's result is the child's exit status.
inline ChildResult RunInChild(const std::function<int()>& body,
                              const ChildOptions& options = {}) {
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
    if (!options.stdinPath.empty()) {
      const int in = ::open(options.stdinPath.c_str(), O_RDONLY);
      if (in < 0 || ::dup2(in, 0) < 0) _exit(125);
    }
    if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) _exit(125);
    if (options.fileSizeLimit != 0) {
      const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
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
  int wstatus = 0;
  if (::waitpid(pid, &wstatus, 0) != pid) throw std::runtime_error("waitpid");
  ChildResult result;
  if (WIFEXITED(wstatus)) result.exitCode = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
  result.out = ReadMemoryFile(out);
  result.err = ReadMemoryFile(err);
  return result;
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_SUPPORT_CHILD_PROCESS_H_
