// Runs the fuzz targets' checks over every input kept under regressions/:
// an input that once broke a promise, or one worth keeping, must keep them
// all from now on.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/input_checks.h"
#include "tests/archive/test_archive.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressionTest, KeptInputsKeepEveryPromise) {
  const struct {
    const char* folder;
    std::string (*check)(std::string_view);
  } targets[] = {
      {"reader", fuzz::CheckArchiveInput},
      {"names", fuzz::CheckNameInput},
  };
  for (const auto& target : targets) {
    int inputs = 0;
    for (const auto& file :
         fs::directory_iterator(fs::path(REGRESSIONS_DIR) / target.folder)) {
      EXPECT_EQ(target.check(test::ReadFile(file.path())), "") << file.path();
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << "no kept inputs for " << target.folder;
  }
}

}  // namespace
}  // namespace varnok
