// kzf pack, run as a process on real folder trees.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "cli/sizes.h"
#include "tests/archive/test_archive.h"
#include "tests/cli/kzf_runner.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

// An asset tree: spaces, mixed case, case twins and a nested "data/" folder.
// Names relative to the folder, with their contents.
std::vector<std::pair<std::string, std::string>> AssetTree() {
  std::mt19937 random(7);
  std::string noise(150000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  return {
      {"data/Textures/Stone Wall.PNG", noise},
      {"data/textures/stone wall.png", "lower-case twin"},
      {"data/levels/data/deep/Map 01.txt", std::string(300000, 'L')},
      {"data/empty.bin", ""},
      {"data/Sounds/a.ogg", noise.substr(0, 999)},
  };
}

// The same names in the order the archive keeps: ASCII case folded, then
// raw bytes.
const std::vector<std::string> kArchiveOrder = {
    "data/empty.bin", "data/levels/data/deep/Map 01.txt", "data/Sounds/a.ogg",
    "data/Textures/Stone Wall.PNG", "data/textures/stone wall.png"};

class PackCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    assets_ = folder_.path() / "Game Assets";
    for (const auto& [name, content] : AssetTree()) {
      fs::create_directories((assets_ / name).parent_path());
      test::WriteFile(assets_ / name, content);
    }
  }

  test::KzfResult Kzf(const std::vector<std::string>& args,
                      const test::KzfOptions& options = {}) {
    return test::RunKzf(args, options);
  }
  // Names of the entries that `kzf list --names` shows.
  std::vector<std::string> ListedNames(const std::string& archive) {
    const test::KzfResult result = Kzf({"list", "--names", archive});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return test::Lines(result.out);
  }
  std::vector<std::string> FolderContents(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempFolder folder_;
  fs::path assets_;
};

TEST_F(PackCommandTest, PacksATreeThatVerifiesAndExtractsIdenticallyInBothModes) {
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress ? "--compress" : "stored");
    const fs::path archive = folder_.path() / "out" / "game.kzf";
    fs::create_directories(archive.parent_path());
    std::vector<std::string> args = {"pack", assets_.string(), "-o",
                                     archive.string()};
    if (compress) args.push_back("--compress");
    test::KzfResult result = Kzf(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    uint64_t sourceBytes = 0;
    for (const auto& file : AssetTree()) sourceBytes += file.second.size();
    EXPECT_EQ(result.out,
              archive.string() + ": 5 entries" +
                  (compress ? " (0 reused)" : "") + ", " +
                  FormatSize(sourceBytes) + " in " +
                  FormatSize(fs::file_size(archive)) + "\n");

    // The archive holds the tree in the list's order, byte for byte.
    std::vector<test::TestEntry> expected;
    for (const std::string& name : kArchiveOrder) {
      const std::string content = test::ReadFile(assets_ / name);
      expected.push_back(compress ? test::Deflated(name, content)
                                  : test::Stored(name, content));
    }
    EXPECT_TRUE(test::ReadFile(archive) == test::BuildArchive(expected));
    EXPECT_EQ(ListedNames(archive.string()), kArchiveOrder);

    EXPECT_EQ(Kzf({"verify", archive.string()}).exitCode, 0);
    const fs::path out = folder_.path() / (compress ? "deflated" : "stored");
    result = Kzf({"extract", archive.string(), "-C", out.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const auto& [name, content] : AssetTree()) {
      EXPECT_TRUE(test::ReadFile(out / name) == content) << name;
    }
  }
}

TEST_F(PackCommandTest, RefusesAMissingFolderOrAFile) {
  const fs::path archive = folder_.path() / "game.kzf";
  test::KzfResult result =
      Kzf({"pack", "no such folder", "-o", archive.string()},
          {folder_.path(), false});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "kzf: Can't open folder: no such folder: No such file or directory\n");
  const std::string file = (assets_ / "data/empty.bin").string();
  result = Kzf({"pack", file, "-o", archive.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kzf: Not a folder: " + file + "\n");

  fs::create_directory(folder_.path() / "empty");
  result = Kzf({"pack", (folder_.path() / "empty").string(), "-o",
                archive.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kzf: No files to pack\n");
  EXPECT_FALSE(fs::exists(archive));
}

TEST_F(PackCommandTest, NeverPacksTheArchiveIntoItself) {
  // Relative names, resolved against the program's current folder; a stale
  // temporary file of the archive lies beside it.
  test::WriteFile(assets_ / "data/.game.kzf.Zz9Yy8", "left by a killed run");
  const test::KzfOptions inFolder{folder_.path(), false};
  for (int run = 0; run < 2; ++run) {
    const test::KzfResult result =
        Kzf({"pack", "Game Assets", "-o", "Game Assets/data/game.kzf"}, inFolder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ListedNames((assets_ / "data/game.kzf").string()), kArchiveOrder);
  }
  EXPECT_EQ(Kzf({"verify", (assets_ / "data/game.kzf").string()}).exitCode, 0);
}

TEST_F(PackCommandTest, NeverOverwritesAFileBeingPacked) {
  const fs::path source = assets_ / "data/Sounds/a.ogg";
  const std::string before = test::ReadFile(source);
  const test::KzfResult result =
      Kzf({"pack", assets_.string(), "-o", source.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kzf: Archive would replace a file being packed: " +
                            source.string() + "\n");
  EXPECT_TRUE(test::ReadFile(source) == before);
  EXPECT_EQ(FolderContents(source.parent_path()),
            std::vector<std::string>{"a.ogg"});
}

TEST_F(PackCommandTest, SkipsUnreadableFoldersAndNamesWhatItLeavesOutWhenAsked) {
  // As nobody, when run by root, who may read any folder.
  fs::create_directories(assets_ / "data/locked/inner");
  test::WriteFile(assets_ / "data/locked/inner/secret.txt", "s");
  fs::permissions(assets_ / "data/locked", fs::perms::none);
  ASSERT_EQ(mkfifo((assets_ / "data/pipe").c_str(), 0644), 0);
  fs::create_directory_symlink("..", assets_ / "data/up");
  fs::permissions(folder_.path(), fs::perms::all);
  const fs::path archive = folder_.path() / "game.kzf";
  test::KzfOptions unprivileged;
  unprivileged.unprivileged = true;

  const test::KzfResult result =
      Kzf({"pack", assets_.string(), "-o", archive.string(),
           "--skip-unreadable", "--verbose"},
          unprivileged);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string data = (assets_ / "data").string();
  std::string packed;
  for (const std::string& name : kArchiveOrder) {
    packed += "kzf: Packed: " + name + "\n";
  }
  EXPECT_EQ(result.err,
            "kzf: Left out: " + data + "/pipe: FIFO\n" +
                "kzf: Left out: " + data + "/up: symbolic link to a folder\n" +
                "kzf: Warning: Can't read folder: " + data +
                "/locked: Permission denied\n" + packed);
  EXPECT_EQ(result.out.substr(result.out.find(';')),
            "; left out: 2 links or special files, 1 unreadable folder\n");
  EXPECT_EQ(ListedNames(archive.string()), kArchiveOrder);
}

TEST_F(PackCommandTest, AFailedPackLeavesTheOldArchiveAlone) {
  const fs::path archive = folder_.path() / "out" / "game.kzf";
  fs::create_directories(archive.parent_path());
  test::WriteFile(archive, "the previous archive");
  const test::KzfResult result = Kzf(
      {"pack", assets_.string(), "-o", archive.string(), "--base", "Data/"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err.rfind("kzf: Base path not found in file path: " +
                                 assets_.string() + "/",
                             0),
            0u)
      << result.err;
  EXPECT_EQ(test::ReadFile(archive), "the previous archive");
  EXPECT_EQ(FolderContents(archive.parent_path()),
            std::vector<std::string>{"game.kzf"});
}

TEST_F(PackCommandTest, TakesTheBasePathItIsGiven) {
  const fs::path archive = folder_.path() / "game.kzf";
  const test::KzfResult result =
      Kzf({"pack", assets_.string(), "-o", archive.string(), "--base",
           "Assets/data/", "--quiet"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ListedNames(archive.string())[0], "Assets/data/empty.bin");
}

TEST_F(PackCommandTest, ShowsProgressOnlyOnATerminal) {
  const fs::path archive = folder_.path() / "game.kzf";
  const std::vector<std::string> args = {"pack", assets_.string(), "-o",
                                         archive.string()};
  test::KzfResult result = Kzf(args, {{}, true});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("packing: 0/5 entries"), std::string::npos)
      << result.err;
  // The line is cleared before the summary comes.
  EXPECT_EQ(result.err.substr(result.err.size() - 4), "\r\033[K");

  std::vector<std::string> quiet = args;
  quiet.push_back("--quiet");
  result = Kzf(quiet, {{}, true});
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "");
}

TEST_F(PackCommandTest, RepackReusesUnchangedEntriesOnAnyNumberOfThreads) {
  const fs::path archive = folder_.path() / "game.kzf";
  auto pack = [&](std::vector<std::string> options) {
    std::vector<std::string> args = {"pack", assets_.string(), "-o",
                                     archive.string(), "--compress"};
    args.insert(args.end(), options.begin(), options.end());
    return Kzf(args);
  };
  ASSERT_EQ(pack({}).exitCode, 0);
  const std::string old = test::ReadFile(archive);
  test::WriteFile(assets_ / "data/Sounds/a.ogg", "changed");
  std::vector<test::TestEntry> expected;
  for (const std::string& name : kArchiveOrder) {
    expected.push_back(test::Deflated(name, test::ReadFile(assets_ / name)));
  }
  const std::string full = test::BuildArchive(expected);

  struct Run {
    std::vector<std::string> options;
    const char* reused;
  };
  const std::vector<Run> runs = {
      {{}, "4 reused"},
      {{"--jobs", "1"}, "4 reused"},
      {{"-j", "2"}, "4 reused"},
      {{"--jobs", "8"}, "4 reused"},
      {{"--no-reuse", "--jobs", "1"}, "0 reused"},
      {{"--no-reuse", "--jobs", "2"}, "0 reused"},
      {{"--no-reuse", "--jobs", "8"}, "0 reused"},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(testing::PrintToString(run.options));
    test::WriteFile(archive, old);
    const test::KzfResult result = pack(run.options);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find(std::string(": 5 entries (") + run.reused + "), "),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(test::ReadFile(archive) == full);
  }
}

}  // namespace
}  // namespace varnok
