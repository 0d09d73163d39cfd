// Runs the built kzf program and captures what it prints.

#ifndef VARNOK_TESTS_CLI_KZF_RUNNER_H_
#define VARNOK_TESTS_CLI_KZF_RUNNER_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/platform_test.h"

namespace varnok::test {

using KzfResult = ChildResult;

struct KzfOptions {
  std::filesystem::path cwd;    // the test's own folder when empty
  bool stderrTerminal = false;  // stderr is a pseudo-terminal (POSIX only)
  bool unprivileged = false;    // run by root, kzf runs as nobody (POSIX)
  uint64_t fileSizeLimit = 0;   // bytes a file may grow to; 0: any (POSIX)
  std::string stdoutPath;       // a file to write stdout to, not captured
  std::chrono::milliseconds killAfter{0};  // killed if running this long
};

// Runs kzf with args and waits for its end (see RunProgram); a kzf killed
// by a signal exits with 128 + the signal.
inline KzfResult RunKzf(const std::vector<std::string>& args,
                        const KzfOptions& options = {}) {
  ChildOptions child;
  child.cwd = options.cwd;
  child.unprivileged = options.unprivileged;
  child.fileSizeLimit = options.fileSizeLimit;
  child.stdoutPath = options.stdoutPath;
  child.killAfter = options.killAfter;
  return RunProgram(KZF_PATH, args, child, options.stderrTerminal);
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_CLI_KZF_RUNNER_H_
