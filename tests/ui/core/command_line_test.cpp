// varnok's command line, read as both faces read it.

#include "ui/core/command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "base/version.h"
#include "tests/support/temp_folder.h"

namespace varnok {
namespace {

TEST(CommandLineTest, AnswersHelpVersionAndMistakesAndKeepsTheFolder) {
  const std::string again = "\nRun 'varnok --help' for more information.\n";
  const struct {
    std::vector<std::string> arguments;
    std::optional<int> status;
    std::string out;  // what it begins with
    std::string err;
    std::optional<std::string> folder;
  } cases[] = {
      {{"--version"}, 0, std::string("varnok ") + kVersion + "\n", "", {}},
      {{"-v"}, 0, std::string("varnok ") + kVersion + "\n", "", {}},
      {{"-h"}, 0, "Packs the files beneath a folder", "", {}},
      {{"--help", "one", "two"}, 0, "Packs the files beneath a folder", "", {}},
      {{"one", "two"}, 2, "",
       "varnok: The following argument was not expected: two" + again, {}},
      {{"--bogus", "one"}, 2, "",
       "varnok: The following argument was not expected: --bogus" + again, {}},
      {{}, {}, "", "", {}},
      {{"assets/data"}, {}, "", "", "assets/data"},
      {{"--", "-data"}, {}, "", "", "-data"},
      {{"caf\xe9/d\xff"}, {}, "", "", "caf\xe9/d\xff"},  // not UTF-8
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = {"varnok"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const CommandLine line = ParseCommandLine(arguments);
    EXPECT_EQ(line.exitStatus, c.status);
    EXPECT_EQ(line.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(line.out.empty(), c.out.empty());
    EXPECT_EQ(line.err, c.err);
    EXPECT_EQ(line.folder, c.folder);
  }
  // The help names every option and the folder.
  const std::string help = ParseCommandLine({"varnok", "--help"}).out;
  for (const char* part : {"Usage: varnok [OPTIONS] [FOLDER|ARCHIVE]\n", "-h,--help",
                           "-v,--version", "FOLDER|ARCHIVE "}) {
    EXPECT_NE(help.find(part), std::string::npos) << part;
  }
}

TEST(CommandLineTest, AFileIsAnArchiveAndAFolderIsListed) {
  test::TempFolder temp;
  const std::string file = (temp.path() / "mod.kzf").string();
  std::ofstream(file) << "anything";
  const std::string folder = temp.path().string();
  const CommandLine forFile = ParseCommandLine({"varnok", file});
  EXPECT_EQ(forFile.archive, file);
  EXPECT_EQ(forFile.folder, std::nullopt);
  const CommandLine forFolder = ParseCommandLine({"varnok", folder});
  EXPECT_EQ(forFolder.folder, folder);
  EXPECT_EQ(forFolder.archive, std::nullopt);
}

}  // namespace
}  // namespace varnok
