// Runs the built kzf program and captures what it prints.

#ifndef VARNOK_TESTS_CLI_KZF_RUNNER_H_
#define VARNOK_TESTS_CLI_KZF_RUNNER_H_

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/archive/test_archive.h"
#include "tests/support/child_process.h"

namespace varnok::test {

using KzfResult = ChildResult;

struct KzfOptions {
  std::filesystem::path cwd;    // the test's own folder when empty
  bool stderrTerminal = false;  // stderr is a pseudo-terminal, not a file
  bool unprivileged = false;    // run by root, kzf runs as nobody
  uint64_t fileSizeLimit = 0;   // bytes a file may grow to; 0: any
  std::string stdoutPath;       // a file to write stdout to, not captured
};

// The terminal side of a pseudo-terminal and the name of the program's side.
inline int OpenTerminal(std::string* programSide) {
  const int fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
    throw std::runtime_error("can't open a pseudo-terminal");
  }
  *programSide = ptsname(fd);
  return fd;
}

// What is left to read on a terminal whose program side has closed.
inline std::string DrainTerminal(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

// Runs kzf with args in a child process (see RunInChild).
inline KzfResult RunKzf(const std::vector<std::string>& args,
                        const KzfOptions& options = {}) {
  std::vector<std::string> argv = {KZF_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);

  ChildOptions child{options.cwd, options.unprivileged, options.fileSizeLimit,
                     options.stdoutPath, {}};
  int terminal = -1;
  if (options.stderrTerminal) terminal = OpenTerminal(&child.stderrPath);
  KzfResult result = RunInChild(
      [&pointers] {
        ::execv(KZF_PATH, pointers.data());
        return 127;
      },
      child);
  if (terminal >= 0) result.err = DrainTerminal(terminal);
  if (result.signal != 0) result.exitCode = 128 + result.signal;
  return result;
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_CLI_KZF_RUNNER_H_
