// Runs the built kzf program and captures what it prints.

#ifndef VARNOK_TESTS_CLI_KZF_RUNNER_H_
#define VARNOK_TESTS_CLI_KZF_RUNNER_H_

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/archive/test_archive.h"

extern char** environ;

namespace varnok::test {

struct KzfResult {
  int exitCode = -1;  // 128 + signal when killed by one
  std::string out;
  std::string err;
};

struct KzfOptions {
  std::filesystem::path cwd;    // the test's own folder when empty
  bool stderrTerminal = false;  // stderr is a pseudo-terminal, not a file
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

// Runs kzf with args; its output passes through files in scratch.
inline KzfResult RunKzf(const std::vector<std::string>& args,
                        const std::filesystem::path& scratch,
                        const KzfOptions& options = {}) {
  const std::string outPath = (scratch / "kzf.stdout").string();
  const std::string errPath = (scratch / "kzf.stderr").string();
  std::vector<std::string> argv = {KZF_PATH};
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
  const int spawned =
      posix_spawn(&pid, KZF_PATH, &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("can't start " KZF_PATH);

  int wstatus = 0;
  if (waitpid(pid, &wstatus, 0) != pid) throw std::runtime_error("waitpid");
  KzfResult result;
  result.exitCode = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus)
                                       : 128 + WTERMSIG(wstatus);
  result.out = ReadFile(outPath);
  result.err = terminal >= 0 ? DrainTerminal(terminal) : ReadFile(errPath);
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return result;
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_CLI_KZF_RUNNER_H_
