// The kzf program as a user meets it: run as a process on hand-built
// archives, judged by its exit status, its output and the files it leaves.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "tests/archive/test_archive.h"
#include "tests/cli/kzf_runner.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::BuildArchive;
using test::Deflated;
using test::Stored;

class KzfTest : public ::testing::Test {
 protected:
  test::KzfResult Kzf(const std::vector<std::string>& args) {
    return test::RunKzf(args);
  }
  std::string Save(const std::string& bytes, const std::string& name) {
    const fs::path path = folder_.path() / name;
    test::WriteFile(path, bytes);
    return path.string();
  }
  // Every file beneath folder, as relative paths, sorted.
  static std::vector<std::string> Files(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (!entry.is_directory()) {
        out.push_back(fs::relative(entry.path(), folder).generic_string());
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  test::TempFolder folder_;
};

TEST_F(KzfTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> misuses = {
      {},
      {"frobnicate"},
      {"list"},
      {"verify", "a.kzf", "b.kzf"},
      {"extract"},
      {"list", "--bogus", "a.kzf"},
      {"extract", "a.kzf", "-C"},
      // An empty folder would mean the current one.
      {"pack", "", "-o", "x.kzf"},
      {"pack", ".", "-o", ""},
      {"pack", "folder", "-o", "a.kzf", "--jobs", "0"},
      {"pack", "folder", "-o", "a.kzf", "--jobs", "-1"},
  };
  for (const auto& args : misuses) {
    const test::KzfResult result = Kzf(args);
    EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(args);
    EXPECT_EQ(result.err.rfind("kzf: ", 0), 0u) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(KzfTest, HelpAndVersion) {
  test::KzfResult result = Kzf({"--version"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "kzf 0.6.0\n");
  result = Kzf({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* command : {"list", "verify", "extract"}) {
    EXPECT_NE(result.out.find(command), std::string::npos) << command;
  }
  result = Kzf({"extract", "--help"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("-C"), std::string::npos);
}

TEST_F(KzfTest, ListPrintsOneLinePerEntry) {
  // A name's bytes show as UTF-8, those that are none escaped; on Windows
  // they are the code page's (here 1252) and show as its characters.
  std::string shown = "data/\\x1b[2J\\xc2\\x9b\\xff\\x0acaf\xc3\xa9";
  if (test::OnWindows()) {
    if (test::AnsiCodePage() != 1252) {
      GTEST_SKIP() << "the name is chosen for code page 1252";
    }
    shown = "data/\\x1b[2J\xc3\x82\xe2\x80\xba\xc3\xbf\\x0acaf\xc3\x83\xc2\xa9";
  }
  const std::string path =
      Save(BuildArchive({Stored("data/a.txt", "abc"),
                         Deflated("data/My Maps/b.map", std::string(1000, 'm')),
                         Stored("data/\x1b[2J\xc2\x9b\xff\ncaf\xc3\xa9", "")}),
           "a.kzf");
  const std::string stream = test::Deflate(std::string(1000, 'm'));
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", test::Crc32(stream));
  const test::KzfResult result = Kzf({"list", path});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "stored            3          3 352441c2 data/a.txt\n"
            "deflated       1000 " +
                std::string(10 - std::to_string(stream.size()).size(), ' ') +
                std::to_string(stream.size()) + " " + crc +
                " data/My Maps/b.map\n"
                "stored            0          0 00000000 " +
                shown + "\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(KzfTest, OutputThatCannotBeWrittenFailsTheCommand) {
  if (test::OnWindows()) GTEST_SKIP() << "no /dev/full on Windows";
  const std::string archive = Save(BuildArchive({Stored("data/a", "a")}), "a.kzf");
  fs::create_directory(folder_.path() / "tree");
  test::WriteFile(folder_.path() / "tree/a", "a");
  const std::vector<std::vector<std::string>> commands = {
      {"list", archive},
      {"verify", archive},
      {"pack", (folder_.path() / "tree").string(), "-o",
       (folder_.path() / "b.kzf").string(), "--base", "tree/"},
      {"--version"},
      {"--help"},
  };
  test::KzfOptions full;
  full.stdoutPath = "/dev/full";
  for (const auto& args : commands) {
    const test::KzfResult result = test::RunKzf(args, full);
    EXPECT_EQ(result.exitCode, 1) << args[0];
    EXPECT_EQ(result.err, "kzf: Can't write output: No space left on device\n")
        << args[0];
  }
}

TEST_F(KzfTest, ListAndVerifyReportABrokenArchive) {
  const std::string garbage = Save("PK\x03\x04 not ours", "zip.kzf");
  for (const char* command : {"list", "verify"}) {
    const test::KzfResult result = Kzf({command, garbage});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "kzf: Not a kzf archive: " + garbage +
                              ": starts with \"PK\\x03\\x04\", not \"kzf1\"\n");
    EXPECT_EQ(result.out, "");
  }
  const test::KzfResult missing =
      Kzf({"verify", (folder_.path() / "none.kzf").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "kzf: Can't open archive: " +
                             (folder_.path() / "none.kzf").string() + ": " +
                             test::NoSuchFileReason() + "\n");
}

TEST_F(KzfTest, VerifyChecksEveryEntrysData) {
  std::string bytes = BuildArchive(
      {Stored("data/a.txt", "abc"), Deflated("data/b.bin", "bbbbbbbbbb")});
  const std::string good = Save(bytes, "good.kzf");
  test::KzfResult result = Kzf({"verify", good});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, good + ": OK, 2 entries\n");

  bytes[bytes.size() - 3] ^= 0x40;  // inside the zlib stream's checksum
  const std::string bad = Save(bytes, "bad.kzf");
  result = Kzf({"verify", bad});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err.rfind("kzf: Damaged archive: " + bad +
                                 ": entry 1 (data/b.bin): ",
                             0),
            0u)
      << result.err;
  // list reads only the directory, which is sound.
  EXPECT_EQ(Kzf({"list", bad}).exitCode, 0);
}

TEST_F(KzfTest, ExtractRoundTripsBothMethods) {
  std::vector<test::TestEntry> entries;
  std::vector<std::pair<std::string, std::string>> files = {
      {"data/Textures/Stone Wall.PNG", std::string(70000, '\x89')},
      {"data/sounds/data/deep/empty.ogg", ""},
      {"data/readme.txt", "read me\n"},
  };
  // A case twin is another file only where names keep case.
  if (!test::OnWindows()) {
    files.push_back({"data/textures/stone wall.png", "lower case twin"});
  }
  for (const auto& [name, content] : files) {
    entries.push_back(Stored(name, content));
    entries.push_back(Deflated("z" + name, content));
  }
  const std::string archive = Save(BuildArchive(entries), "round.kzf");
  const fs::path out = folder_.path() / "out dir";
  const test::KzfResult result = Kzf({"extract", archive, "-C", out.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  for (const auto& [name, content] : files) {
    EXPECT_TRUE(test::ReadFile(out / name) == content) << name;
    EXPECT_TRUE(test::ReadFile(out / ("z" + name)) == content) << name;
  }
  EXPECT_EQ(Files(out).size(), 2 * files.size());
}

TEST_F(KzfTest, ExtractNamedEntriesOnly) {
  const std::string archive = Save(
      BuildArchive({Stored("data/a", "a"), Stored("data/b", "b"),
                    Deflated("data/c", "c")}),
      "named.kzf");
  const fs::path out = folder_.path() / "out";
  test::KzfResult result =
      Kzf({"extract", archive, "-C", out.string(), "data/c", "data/a"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Files(out), (std::vector<std::string>{"data/a", "data/c"}));

  result = Kzf({"extract", archive, "-C", out.string(), "data/b", "data/nope"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kzf: Not found in archive: data/nope\n");
  EXPECT_EQ(test::ReadFile(out / "data/b"), "b");
}

TEST_F(KzfTest, ExtractRefusesUnsafeNamesAndWritesTheRest) {
  const fs::path out = folder_.path() / "out";
  fs::create_directories(out / "data");
  fs::create_directory(folder_.path() / "elsewhere");
  std::vector<test::TestEntry> entries = {
      Stored("../escaped", "x"), Stored("/tmp/absolute", "x"), Stored("", "x"),
      Stored("data/../../up", "x")};
  const std::string unsafe = "kzf: Unsafe name, not extracted: ";
  std::string expected = unsafe + "../escaped: contains a \"..\" component\n" +
                         unsafe + "/tmp/absolute: absolute path\n" + unsafe +
                         "empty name\n" + unsafe +
                         "data/../../up: contains a \"..\" component\n";
  if (test::CanMakeSymbolicLinks(folder_.path())) {
    fs::create_directory_symlink(folder_.path() / "elsewhere",
                                 out / "data/link");
    entries.push_back(Stored("data/link/through", "x"));
    expected += unsafe + "data/link/through: passes through the symbolic link " +
                std::string(test::OnWindows() ? "or junction " : "") +
                test::NativePath(out / "data/link") + "\n";
  }
  entries.push_back(Stored("data/ok", "ok"));
  const std::string archive = Save(BuildArchive(entries), "unsafe.kzf");

  const test::KzfResult result = Kzf({"extract", archive, "-C", out.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, expected);
  EXPECT_EQ(Files(out), (std::vector<std::string>{"data/ok"}));
  EXPECT_TRUE(fs::is_empty(folder_.path() / "elsewhere"));
  EXPECT_FALSE(fs::exists(folder_.path() / "escaped"));
  EXPECT_FALSE(fs::exists(folder_.path() / "up"));
}

TEST_F(KzfTest, ExtractRefusesNamesWindowsCantHold) {
  if (!test::OnWindows()) {
    GTEST_SKIP() << "ordinary names on POSIX (see CheckExtractNameTest)";
  }
  const std::string archive =
      Save(BuildArchive({Stored("data/CON", "x"), Stored("C:/windows/x", "x"),
                         Stored("data/a:stream", "x"), Stored("data/nul.txt", "x"),
                         Stored("data/ok", "ok")}),
           "windows.kzf");
  const fs::path out = folder_.path() / "out";
  const test::KzfResult result = Kzf({"extract", archive, "-C", out.string()});
  EXPECT_EQ(result.exitCode, 1);
  const std::string unsafe = "kzf: Unsafe name, not extracted: ";
  const std::string device = ": is the name of a Windows device\n";
  EXPECT_EQ(result.err,
            unsafe + "data/CON" + device + unsafe +
                "C:/windows/x: is a drive letter\n" + unsafe +
                "data/a:stream: contains the character :, which Windows does "
                "not allow in names\n" +
                unsafe + "data/nul.txt" + device);
  EXPECT_EQ(Files(out), (std::vector<std::string>{"data/ok"}));
  EXPECT_EQ(test::ReadFile(out / "data/ok"), "ok");
}

TEST_F(KzfTest, ExtractKeepsTheFirstOfARepeatedName) {
  const std::string archive = Save(
      BuildArchive({Stored("data/a", "first"), Stored("data/b", "b"),
                    Deflated("data/a", "second"), Stored("data//./a", "third"),
                    Stored("DATA/A", "fourth")}),
      "repeated.kzf");
  const fs::path out = folder_.path() / "out";
  const std::string second =
      "kzf: Repeated name, not extracted: data/a: entry 2, after entry 0\n";
  const std::string third =
      "kzf: Repeated name, not extracted: data//./a: entry 3, after entry 0\n";
  // Windows names ignore case: there DATA/A is data/a once more.
  const std::string fourth =
      test::OnWindows()
          ? "kzf: Repeated name, not extracted: DATA/A: entry 4, after entry 0\n"
          : "";
  const struct {
    std::vector<std::string> names;
    std::string err;
  } cases[] = {{{}, second + third + fourth}, {{"data/a"}, second}};
  for (const auto& c : cases) {
    std::vector<std::string> args = {"extract", archive, "-C", out.string()};
    args.insert(args.end(), c.names.begin(), c.names.end());
    const test::KzfResult result = Kzf(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(test::ReadFile(out / "data/a"), "first");
  }
  std::vector<std::string> files = {"data/a", "data/b"};
  if (!test::OnWindows()) files.insert(files.begin(), "DATA/A");
  EXPECT_EQ(Files(out), files);
}

TEST_F(KzfTest, ExtractKeepsNoDamagedFile) {
  std::string bytes = BuildArchive(
      {Stored("data/bad", std::string(200000, 's')), Stored("data/good", "g")});
  bytes[bytes.size() - 10] ^= 1;  // inside data/bad's bytes: its CRC fails
  const std::string archive = Save(bytes, "damaged.kzf");
  const fs::path out = folder_.path() / "out";
  fs::create_directories(out / "data");
  test::WriteFile(out / "data/bad", "previous");

  const test::KzfResult result = Kzf({"extract", archive, "-C", out.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("entry 0 (data/bad): CRC-32"), std::string::npos)
      << result.err;
  EXPECT_EQ(test::ReadFile(out / "data/bad"), "previous");
  EXPECT_EQ(test::ReadFile(out / "data/good"), "g");
  EXPECT_EQ(Files(out), (std::vector<std::string>{"data/bad", "data/good"}));
}

}  // namespace
}  // namespace varnok
