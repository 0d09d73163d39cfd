// kzf pack, run as a process on real folder trees.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "base/sizes.h"
#include "cli/pack_command.h"
#include "tests/archive/test_archive.h"
#include "tests/cli/kzf_runner.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

// An asset tree: spaces, mixed case, case twins (not on Windows, where
// names ignore case) and a nested "data/" folder. Names relative to the
// folder, with their contents.
std::vector<std::pair<std::string, std::string>> AssetTree() {
  const std::string noise = test::RandomBytes(150000, 7);
  std::vector<std::pair<std::string, std::string>> tree = {
      {"data/Textures/Stone Wall.PNG", noise},
      {"data/levels/data/deep/Map 01.txt", std::string(300000, 'L')},
      {"data/empty.bin", ""},
      {"data/Sounds/a.ogg", noise.substr(0, 999)},
  };
  if (!test::OnWindows()) {
    tree.push_back({"data/textures/stone wall.png", "lower-case twin"});
  }
  return tree;
}

// The same names in the order the archive keeps: ASCII case folded, then
// raw bytes.
std::vector<std::string> ArchiveOrder() {
  std::vector<std::string> names = {
      "data/empty.bin", "data/levels/data/deep/Map 01.txt", "data/Sounds/a.ogg",
      "data/Textures/Stone Wall.PNG"};
  if (!test::OnWindows()) names.push_back("data/textures/stone wall.png");
  return names;
}

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
              archive.string() + ": " + std::to_string(AssetTree().size()) + " entries" +
                  (compress ? " (0 reused)" : "") + ", " +
                  FormatSize(sourceBytes) + " in " +
                  FormatSize(fs::file_size(archive)) + "\n");

    // The archive holds the tree in the list's order, byte for byte.
    std::vector<test::TestEntry> expected;
    for (const std::string& name : ArchiveOrder()) {
      const std::string content = test::ReadFile(assets_ / name);
      expected.push_back(compress ? test::Deflated(name, content)
                                  : test::Stored(name, content));
    }
    EXPECT_TRUE(test::ReadFile(archive) == test::BuildArchive(expected));
    EXPECT_EQ(ListedNames(archive.string()), ArchiveOrder());

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
  EXPECT_EQ(result.err, "kzf: Can't open folder: no such folder: " +
                            test::NoSuchFileReason() + "\n");
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
  // Relative names, resolved against the program's current folder. Beside
  // the archive lie two of its temporary files: one that a killed run left,
  // which the next run removes, and one that a running writer holds, which
  // every run leaves out; each is named.
  const std::string leftover = ".game.kzf.kzf-tmp-Zz9Yy8Xx7W";
  const fs::path held = assets_ / "data/.game.kzf.kzf-tmp-Hh1Hh2Hh3H";
  test::WriteFile(assets_ / "data" / leftover, "left by a killed run");
  test::WriteFile(held, "being written");
  const test::ExclusiveFile writer(held.string());
  ASSERT_TRUE(writer.held());
  const fs::path archive = fs::path("Game Assets") / "data" / "game.kzf";
  std::string packed;
  for (const std::string& name : ArchiveOrder()) {
    packed += "kzf: Packed: " + name + "\n";
  }
  const test::KzfOptions inFolder{folder_.path(), false};
  for (int run = 0; run < 2; ++run) {
    const test::KzfResult result = Kzf(
        {"pack", "Game Assets", "-o", test::NativePath(archive), "-v"},
        inFolder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string removed =
        run == 0 ? "kzf: Warning: Removed a leftover temporary file: " +
                       test::NativePath(archive.parent_path() / leftover) +
                       "\n"
                 : "";
    EXPECT_EQ(result.err, removed + "kzf: Left out: " +
                              test::NativePath(held) +
                              ": temporary file of the archive\n" + packed);
    EXPECT_EQ(result.out.substr(result.out.find(';')),
              "; left out: 1 temporary file of the archive\n");
    EXPECT_EQ(ListedNames((assets_ / "data/game.kzf").string()), ArchiveOrder());
  }
  EXPECT_FALSE(fs::exists(assets_ / "data" / leftover));
  EXPECT_TRUE(fs::exists(held));
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
  if (test::OnWindows()) {
    GTEST_SKIP() << "folder permissions, FIFOs and users here are POSIX's";
  }
  // As nobody, when run by root, who may read any folder.
  fs::create_directories(assets_ / "data/locked/inner");
  test::WriteFile(assets_ / "data/locked/inner/secret.txt", "s");
  fs::permissions(assets_ / "data/locked", fs::perms::none);
  ASSERT_TRUE(test::MakeFifo((assets_ / "data/pipe").string()));
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
  for (const std::string& name : ArchiveOrder()) {
    packed += "kzf: Packed: " + name + "\n";
  }
  EXPECT_EQ(result.err,
            "kzf: Left out: " + data + "/pipe: FIFO\n" +
                "kzf: Left out: " + data + "/up: symbolic link to a folder\n" +
                "kzf: Warning: Can't read folder: " + data +
                "/locked: Permission denied\n" + packed);
  EXPECT_EQ(result.out.substr(result.out.find(';')),
            "; left out: 2 links or special files, 1 unreadable folder\n");
  EXPECT_EQ(ListedNames(archive.string()), ArchiveOrder());
}

TEST_F(PackCommandTest, AFailedPackLeavesTheOldArchiveAlone) {
  const fs::path archive = folder_.path() / "out" / "game.kzf";
  fs::create_directories(archive.parent_path());
  test::WriteFile(archive, "the previous archive");
  const test::KzfResult result = Kzf(
      {"pack", assets_.string(), "-o", archive.string(), "--base", "Data/"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err.rfind("kzf: Base path not found in file path: " +
                                 test::NativePath(assets_ / ""),
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
  std::vector<std::string> expected;
  for (const std::string& name : ArchiveOrder()) {
    expected.push_back("Assets/" + name);
  }
  EXPECT_EQ(ListedNames(archive.string()), expected);
}

TEST_F(PackCommandTest, ShowsProgressOnlyOnATerminalThatCanRedrawIt) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "no pseudo-terminal here to stand for a console";
  }
  const fs::path archive = folder_.path() / "game.kzf";
  const std::vector<std::string> args = {"pack", assets_.string(), "-o",
                                         archive.string()};
  test::KzfOptions terminal;
  terminal.stderrTerminal = true;
  test::KzfResult result = Kzf(args, terminal);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("packing: 0/5 entries, 0 B of "), std::string::npos)
      << result.err;
  // The line is cleared before the summary comes.
  EXPECT_TRUE(result.err.ends_with("\r\033[K")) << result.err;

  // A narrow terminal: no line reaches its last column, where it could wrap.
  terminal.terminalColumns = 20;
  result = Kzf(args, terminal);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  size_t drawn = 0;
  for (size_t at = 0; (at = result.err.find("\r\033[K", at)) != std::string::npos;) {
    at += 4;
    const size_t end = std::min(result.err.find('\r', at), result.err.size());
    EXPECT_LE(end - at, 19u) << result.err.substr(at, end - at);
    drawn += end > at;
  }
  EXPECT_GT(drawn, 0u);
  terminal.terminalColumns = 0;

  std::vector<std::string> quiet = args;
  quiet.push_back("--quiet");
  result = Kzf(quiet, terminal);
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "");

  // A terminal that can't move its cursor gets no progress line.
  terminal.environment = {{"TERM", "dumb"}};
  result = Kzf(args, terminal);
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
}

// The options that choose the files and name them, each table row a pack
// whose entries are listed back.
TEST_F(PackCommandTest, ChoosesAndNamesTheFilesAsTold) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "the tree's case twins and the list from a pipe are "
                    "POSIX's";
  }
  for (const char* file : {".git/config", ".git/objects/x.png", "build/tmp.o",
                           "data/levels/.svn/entries"}) {
    fs::create_directories((assets_ / file).parent_path());
    test::WriteFile(assets_ / file, file);
  }
  const fs::path list = folder_.path() / "list.txt";
  test::WriteFile(list, "data/empty.bin\n./data/Sounds/a.ogg\nbuild/tmp.o\n");
  const fs::path pipe = folder_.path() / "list.fifo";
  ASSERT_TRUE(test::MakeFifo(pipe.string()));
  const fs::path nulList = folder_.path() / "list0.txt";
  test::WriteFile(nulList,
                  std::string("data/Sounds/a.ogg\0data//empty.bin\0", 34));
  const std::vector<std::string> data = ArchiveOrder();
  auto prefixed = [](const std::string& prefix,
                     const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& name : names) out.push_back(prefix + name);
    return out;
  };
  std::vector<std::string> everything = {".git/config", ".git/objects/x.png",
                                         "build/tmp.o", "data/empty.bin",
                                         "data/levels/.svn/entries"};
  everything.insert(everything.end(), data.begin() + 1, data.end());

  const struct {
    std::vector<std::string> options;
    std::vector<std::string> names;
    std::string leftOut;  // the summary's end
    std::string stdinPath = {};
  } cases[] = {
      {{"--prefix", "mod/"}, prefixed("mod/", everything), ""},
      {{"--prefix", "mod/", "--exclude-vcs", "--exclude", "build/"},
       prefixed("mod/", data),
       "; left out: 4 excluded files"},
      {{"--prefix", "", "--include", "*.png", "--exclude-vcs"},
       {"data/textures/stone wall.png"},
       "; left out: 8 excluded files"},
      {{"--exclude-vcs", "--exclude", "build/", "--exclude", "data/levels/",
        "--include", "data/levels/**/*.txt"},
       data,
       "; left out: 4 excluded files"},
      {{"--exclude-vcs", "--exclude", "build", "--exclude", "*.bin",
        "--exclude", "[Tt]extures/"},
       {"data/levels/data/deep/Map 01.txt", "data/Sounds/a.ogg"},
       "; left out: 7 excluded files"},
      {{"--prefix", "", "--files-from", list.string()},
       {"build/tmp.o", "data/empty.bin", "data/Sounds/a.ogg"},
       ""},
      {{"--prefix", "x/", "--files-from", "-", "--null"},
       {"x/data/empty.bin", "x/data/Sounds/a.ogg"},
       "",
       nulList.string()},
      {{"--prefix", "", "--files-from", list.string(), "--exclude", "*.o"},
       {"data/empty.bin", "data/Sounds/a.ogg"},
       "; left out: 1 excluded file"},
      // A pipe, as bash's <(...) gives, fed by a child of this test.
      {{"--prefix", "", "--files-from", pipe.string()},
       {"build/tmp.o", "data/empty.bin", "data/Sounds/a.ogg"},
       ""},
  };
  const fs::path archive = folder_.path() / "game.kzf";
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    std::vector<std::string> args = {"pack", assets_.string(), "-o",
                                     archive.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    test::KzfOptions options;
    options.stdinPath = c.stdinPath;
    // The writer blocks until kzf opens the pipe, and ends with the list.
    std::thread writer;
    if (c.options.back() == pipe.string()) {
      writer = std::thread([&] { test::WriteFile(pipe, test::ReadFile(list)); });
    }
    const test::KzfResult result = Kzf(args, options);
    if (writer.joinable()) writer.join();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ListedNames(archive.string()), c.names);
    const size_t end = std::min(result.out.find(';'), result.out.size() - 1);
    EXPECT_EQ(result.out.substr(end), c.leftOut + "\n");
  }
}

// The same folder under two parents packs to the same bytes with a prefix,
// each file deflated at the level asked or stored as --store asks.
TEST_F(PackCommandTest, PrefixStoreAndLevelMakeExactlyTheEntriesAsked) {
  const fs::path moved = folder_.path() / "metadata" / "elsewhere";
  fs::create_directories(moved.parent_path());
  fs::copy(assets_, moved, fs::copy_options::recursive);
  std::vector<test::TestEntry> expected;
  for (const std::string& name : ArchiveOrder()) {
    const std::string content = test::ReadFile(assets_ / name);
    const bool image = name.find(".png") != std::string::npos ||
                       name.find(".PNG") != std::string::npos;
    expected.push_back(image ? test::Stored("pak/" + name, content)
                             : test::Deflated("pak/" + name, content, 3));
  }
  for (const fs::path& tree : {assets_, moved}) {
    const fs::path archive = tree.parent_path() / "game.kzf";
    const test::KzfResult result =
        Kzf({"pack", tree.string(), "-o", archive.string(), "--prefix",
             "pak/", "--compress", "--store", "*.png", "--store", "*.PNG",
             "--level", "3"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(test::ReadFile(archive) == test::BuildArchive(expected))
        << tree;
  }
}

TEST_F(PackCommandTest, DryRunPrintsTheEntriesAndWritesNothing) {
  const fs::path archive = folder_.path() / "game.kzf";
  test::KzfResult result =
      Kzf({"pack", assets_.string(), "-o", archive.string(), "--dry-run",
           "--compress", "--store", "*.ogg", "--prefix", "p/"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::string expected;
  uint64_t total = 0;
  for (const std::string& name : ArchiveOrder()) {
    const uint64_t size = fs::file_size(assets_ / name);
    total += size;
    const std::string digits = std::to_string(size);
    expected += std::string(name.find(".ogg") != std::string::npos
                                ? "stored  "
                                : "deflated") +
                " " + std::string(10 - digits.size(), ' ') + digits + " p/" +
                name + "\n";
  }
  EXPECT_EQ(result.out, expected + archive.string() + ": " +
                            std::to_string(AssetTree().size()) + " entries, " +
                            FormatSize(total) +
                            " (dry run: nothing written)\n");
  EXPECT_EQ(result.err, "");
  EXPECT_FALSE(fs::exists(archive));

  // It fails as the pack would, before writing anything: on the names, on
  // a missing output folder, on an output that is a folder.
  const std::vector<std::vector<std::string>> failing = {
      {"-o", archive.string(), "--base", "Data/"},
      {"-o", (folder_.path() / "missing" / "game.kzf").string()},
      {"-o", folder_.path().string()},
  };
  for (const std::vector<std::string>& options : failing) {
    SCOPED_TRACE(testing::PrintToString(options));
    std::vector<std::string> args = {"pack", assets_.string()};
    args.insert(args.end(), options.begin(), options.end());
    const test::KzfResult pack = Kzf(args);
    args.push_back("--dry-run");
    result = Kzf(args);
    EXPECT_EQ(pack.exitCode, 1);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(pack.err, "");
    EXPECT_EQ(result.err, pack.err);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(FolderContents(folder_.path()),
            std::vector<std::string>{"Game Assets"});
}

// A folder named with dot components, or by a list whose names begin with
// the folder as find prints them, packs as its full path does.
TEST_F(PackCommandTest, TakesTheFolderAnArgumentNamesHoweverItIsSpelt) {
  // As find "Game Assets" prints them, folders too, with the byte-order
  // mark and line ends of a list written on Windows.
  std::string found = "\xEF\xBB\xBFGame Assets\r\nGame Assets/data\r\n";
  for (const std::string& name : ArchiveOrder()) {
    found += "Game Assets/" + name + "\r\n";
  }
  const fs::path list = folder_.path() / "list.txt";
  test::WriteFile(list, found);
  struct Case {
    std::string cwd;  // relative to the test's folder
    std::vector<std::string> args;
  };
  std::vector<Case> cases = {
      {"Game Assets/data", {"./"}},
      {"Game Assets/data/levels/data", {"../../../data"}},
      {"", {"Game Assets", "--files-from", list.string()}},
  };
  if (test::OnWindows()) {
    cases.push_back({"Game Assets/data/levels/data", {"..\\..\\..\\data"}});
  }
  const fs::path archive = folder_.path() / "game.kzf";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::vector<std::string> args = {"pack"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"-o", archive.string()});
    const test::KzfResult result = Kzf(args, {folder_.path() / c.cwd, false});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ListedNames(archive.string()), ArchiveOrder());
  }
}

// diff takes pack's options and says what a pack with them would change.
TEST_F(PackCommandTest, DiffTellsWhetherPackingWouldGiveTheArchive) {
  const fs::path archive = folder_.path() / "game.kzf";
  const std::vector<std::string> options = {
      "--compress", "--prefix", "pak/", "--exclude", "*.ogg", "--store",
      "*.PNG"};
  std::vector<std::string> pack = {"pack", assets_.string(), "-o",
                                   archive.string()};
  pack.insert(pack.end(), options.begin(), options.end());
  ASSERT_EQ(Kzf(pack).exitCode, 0);
  auto diff = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"diff", archive.string(),
                                     assets_.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return Kzf(args);
  };
  test::KzfResult result = diff(options);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");

  test::WriteFile(assets_ / "data/empty.bin", "no longer empty");
  test::WriteFile(assets_ / "data/added.txt", "added");
  fs::remove(assets_ / "data/levels/data/deep/Map 01.txt");
  result = diff(options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out,
            "A pak/data/added.txt\nM pak/data/empty.bin\n"
            "D pak/data/levels/data/deep/Map 01.txt\n");
  EXPECT_EQ(result.err, "");

  // Without --compress every entry is stored: the image stored already
  // stays as it is.
  result = diff({"--prefix", "pak/", "--exclude", "*.ogg"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out,
            "A pak/data/added.txt\nM pak/data/empty.bin\n"
            "D pak/data/levels/data/deep/Map 01.txt\n" +
                std::string(test::OnWindows()
                                ? ""
                                : "M pak/data/textures/stone wall.png\n"));

  // Trouble is 2, as for diff and cmp.
  fs::remove(archive);
  result = diff(options);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(result.err, "kzf: Can't open archive: " + archive.string() +
                            ": " + test::NoSuchFileReason() + "\n");
}

// Another tool rewrote one entry of an archive at zlib's level 6: it inflates
// to its file, but a full pack would hold other bytes. diff says so, and a
// repack deflates that file again, naming only the others as reused.
TEST_F(PackCommandTest, RepackAndDiffFindAnEntryDeflatedAnotherWay) {
  const fs::path archive = folder_.path() / "game.kzf";
  const fs::path full = folder_.path() / "full.kzf";
  const std::string rewritten = "data/levels/data/deep/Map 01.txt";
  std::vector<test::TestEntry> entries;
  for (const std::string& name : ArchiveOrder()) {
    const std::string content = test::ReadFile(assets_ / name);
    entries.push_back(test::Deflated(name, content, name == rewritten ? 6 : 9));
  }
  test::WriteFile(archive, test::BuildArchive(entries));
  const std::vector<std::string> pack = {"pack", assets_.string(), "-o",
                                         archive.string(), "--compress"};
  const std::vector<std::string> diff = {"diff", archive.string(),
                                         assets_.string(), "--compress"};
  test::KzfResult result = Kzf(diff);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "M " + rewritten + "\n");

  std::vector<std::string> verbose = pack;
  verbose.push_back("-v");
  result = Kzf(verbose);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::string named;
  for (const std::string& name : ArchiveOrder()) {
    named += std::string("kzf: ") + (name == rewritten ? "Packed: " : "Reused: ") +
             name + "\n";
  }
  EXPECT_EQ(result.err, named);

  ASSERT_EQ(Kzf({"pack", assets_.string(), "-o", full.string(), "--compress",
                 "--no-reuse"})
                .exitCode,
            0);
  EXPECT_TRUE(test::ReadFile(archive) == test::ReadFile(full));
  result = Kzf(diff);
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
}

TEST_F(PackCommandTest, RefusesListedFilesItCannotTakeAndFilesOf2GiB) {
  const fs::path archive = folder_.path() / "game.kzf";
  const fs::path list = folder_.path() / "list.txt";
  test::WriteFile(list, "data/empty.bin\nmissing.txt\n../outside\ndata\n");
  test::KzfResult result =
      Kzf({"pack", assets_.string(), "-o", archive.string(), "--files-from",
           list.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "kzf: Can't read file: " + (assets_ / "missing.txt").string() +
                ": " + test::NoSuchFileReason() + "\n"
                "kzf: Not in the folder being packed: ../outside\n");
  EXPECT_FALSE(fs::exists(archive));

  const fs::path huge = assets_ / "data/huge.bin";
  test::WriteFile(huge, "");
  fs::resize_file(huge, uint64_t{1} << 31);  // sparse: no disk taken
  result = Kzf({"pack", assets_.string(), "-o", archive.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "kzf: File too large (2 GiB or more): " + test::NativePath(huge) +
                "\n");
  EXPECT_FALSE(fs::exists(archive));
}

TEST_F(PackCommandTest, AFileLockedByAnotherProgramFailsThePack) {
  if (!test::OnWindows()) GTEST_SKIP() << "POSIX locks don't keep readers out";
  const fs::path archive = folder_.path() / "game.kzf";
  test::WriteFile(archive, "the previous archive");
  const std::string locked = test::NativePath(assets_ / "data/Sounds/a.ogg");
  const test::ExclusiveFile lock(locked);
  ASSERT_TRUE(lock.held());
  const test::KzfResult result =
      Kzf({"pack", assets_.string(), "-o", archive.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kzf: Can't read file: " + locked + ": " +
                            test::LockedFileReason() + "\n");
  EXPECT_EQ(test::ReadFile(archive), "the previous archive");
  EXPECT_EQ(FolderContents(folder_.path()),
            (std::vector<std::string>{"Game Assets", "game.kzf"}));
}

// Writes size bytes that do not compress to path, a piece at a time.
void WriteNoise(const fs::path& path, size_t size) {
  std::mt19937_64 random(3);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<uint64_t> piece(1 << 17);
  for (size_t written = 0; written < size;) {
    for (uint64_t& bits : piece) bits = random();
    const size_t n = std::min(size - written, piece.size() * 8);
    out.write(reinterpret_cast<const char*>(piece.data()),
              static_cast<std::streamsize>(n));
    written += n;
  }
  if (!out) throw std::runtime_error("can't write " + path.string());
}

TEST_F(PackCommandTest, AKilledPackLeavesNothingBehind) {
  // Killed midway: the input is sized from the rate at which this machine
  // packs now, to last several times longer than the pack is let run.
  const std::chrono::milliseconds killAfter(500);
  const fs::path noise = assets_ / "data/noise.bin";
  const size_t sample = 16 << 20;
  WriteNoise(noise, sample);
  const fs::path archive = folder_.path() / "out" / "game.kzf";
  fs::create_directories(archive.parent_path());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Kzf({"pack", assets_.string(), "-o", archive.string(),
                 "--compress"}).exitCode, 0);
  const std::chrono::duration<double> took =
      std::chrono::steady_clock::now() - start;
  const double perSecond = sample / std::max(took.count(), 0.001);
  const size_t size = static_cast<size_t>(std::clamp(
      perSecond * 8 * std::chrono::duration<double>(killAfter).count(),
      static_cast<double>(sample), static_cast<double>(1 << 30)));
  WriteNoise(noise, size);
  test::WriteFile(archive, "the previous archive");

  test::KzfOptions killed;
  killed.killAfter = killAfter;
  const test::KzfResult result = Kzf(
      {"pack", assets_.string(), "-o", archive.string(), "--compress"}, killed);
  ASSERT_TRUE(result.killed) << "a pack of " << size << " bytes ended first";
  // No temporary file: unnamed, or on Windows marked for deletion on close.
  EXPECT_EQ(test::ReadFile(archive), "the previous archive");
  EXPECT_EQ(FolderContents(archive.parent_path()),
            std::vector<std::string>{"game.kzf"});
}

TEST_F(PackCommandTest, TakesAndShowsNamesBeyondAscii) {
  // Arguments, stored names and listings with ü (C3 BC in UTF-8, FC in code
  // page 1252, which Windows stores), and a file, Ж, that 1252 can't spell.
  if (test::OnWindows() && test::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "the names are chosen for code page 1252";
  }
  const auto native = [this](const std::string& relative) {
    return test::NativePath(folder_.path() / test::PathOf(relative));
  };
  const std::string root = native("Spiel \xC3\xBC" "ber");
  const std::string archive = native("\xC3\xBC.kzf");
  test::WriteFile(folder_.path() / "old.kzf", "the previous archive");
  fs::create_directories(test::PathOf(root + "/data"));
  test::WriteFile(test::PathOf(root + "/data/\xC3\xBC.txt"), "u");

  test::KzfResult result = Kzf({"pack", root, "-o", archive});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.rfind(archive + ": 1 entry", 0), 0u) << result.out;
  const std::string stored =
      test::OnWindows() ? "data/\xFC.txt" : "data/\xC3\xBC.txt";
  EXPECT_TRUE(test::ReadFile(test::PathOf(archive)) ==
              test::BuildArchive({test::Stored(stored, "u")}));
  EXPECT_EQ(ListedNames(archive),
            std::vector<std::string>{"data/\xC3\xBC.txt"});
  const std::string out = native("\xC3\xBC out");
  result = Kzf({"extract", archive, "-C", out});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(test::ReadFile(test::PathOf(out + "/data/\xC3\xBC.txt")), "u");

  // Eleven files whose names begin with it: the first ten are named, and
  // how many more there are.
  std::string named;
  for (char c = 'a'; c <= 'k'; ++c) {
    const std::string beetle =
        native("Spiel \xC3\xBC" "ber/data/\xD0\x96" + std::string(1, c) + ".txt");
    test::WriteFile(test::PathOf(beetle), "b");
    if (c <= 'j') {
      named += std::string("kzf: ") + messages::kNotInCodePage + ": " + beetle +
               "\n";
    }
  }
  const std::string old = native("old.kzf");
  // A dry run names them as the pack does.
  for (const bool dryRun : {false, true}) {
    std::vector<std::string> args = {"pack", root, "-o", old};
    if (dryRun) args.push_back("--dry-run");
    result = Kzf(args);
    if (test::OnWindows()) {
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_EQ(result.err, named + "kzf: " + messages::kNotInCodePage +
                                ": and 1 more\n");
      EXPECT_EQ(test::ReadFile(old), "the previous archive");
    } else {
      EXPECT_EQ(result.exitCode, 0) << result.err;
    }
  }
}

// The warning for an archive that engines reading offsets as signed numbers
// can't load, met with that length made small: the pack runs in a child,
// whose stderr is kept.
TEST_F(PackCommandTest, WarnsOfAnArchivePastTheSignedLength) {
  if (test::OnWindows()) GTEST_SKIP() << "a forked child is POSIX's";
  const fs::path archive = folder_.path() / "game.kzf";
  ASSERT_EQ(Kzf({"pack", assets_.string(), "-o", archive.string()}).exitCode, 0);
  const uint64_t length = fs::file_size(archive);
  const std::string warning = "kzf: Warning: Archive larger than 2 GiB: " +
                              archive.string() +
                              ": engines that read offsets as signed numbers "
                              "can't load it\n";
  for (const uint64_t signedLength : {length - 1, length}) {
    const test::ChildResult result = test::RunInChild([&] {
      CLI::App app;
      PackLimits limits;
      limits.signedArchiveLength = signedLength;
      PackCommand pack(app, limits);
      const std::string folder = assets_.string(), out = archive.string();
      const char* argv[] = {"kzf", "pack", folder.c_str(), "-o", out.c_str(),
                            "--quiet"};
      app.parse(6, argv);
      return pack.Run();
    });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, signedLength < length ? warning : "");
  }
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
  for (const std::string& name : ArchiveOrder()) {
    expected.push_back(test::Deflated(name, test::ReadFile(assets_ / name)));
  }
  const std::string full = test::BuildArchive(expected);

  // Every entry but the changed one is reused.
  const size_t entries = AssetTree().size();
  const std::string reused = std::to_string(entries - 1) + " reused";
  struct Run {
    std::vector<std::string> options;
    std::string reused;
  };
  const std::vector<Run> runs = {
      {{}, reused},
      {{"--jobs", "1"}, reused},
      {{"-j", "2"}, reused},
      {{"--jobs", "8"}, reused},
      {{"--no-reuse", "--jobs", "1"}, "0 reused"},
      {{"--no-reuse", "--jobs", "2"}, "0 reused"},
      {{"--no-reuse", "--jobs", "8"}, "0 reused"},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(testing::PrintToString(run.options));
    test::WriteFile(archive, old);
    const test::KzfResult result = pack(run.options);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find(": " + std::to_string(entries) + " entries (" + run.reused + "), "),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(test::ReadFile(archive) == full);
  }
}

}  // namespace
}  // namespace varnok
