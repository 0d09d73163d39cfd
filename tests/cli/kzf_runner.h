// Runs the built kzf program and captures what it prints.

#ifndef VARNOK_TESTS_CLI_KZF_RUNNER_H_
#define VARNOK_TESTS_CLI_KZF_RUNNER_H_

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/platform_test.h"

namespace varnok::test {

using KzfResult = ProgramResult;
using KzfOptions = ProgramOptions;

// Runs kzf with args; its output passes through files in scratch.
inline KzfResult RunKzf(const std::vector<std::string>& args,
                        const std::filesystem::path& scratch,
                        const KzfOptions& options = {}) {
  return RunProgram(KZF_PATH, args, scratch, options);
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_CLI_KZF_RUNNER_H_
