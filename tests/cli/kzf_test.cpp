// The kzf program as a user meets it: run as a process on hand-built
// archives, judged by its exit status, its output and the files it leaves.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "archive/archive_reader.h"
#include "base/escape.h"
#include "base/messages.h"
#include "tests/archive/test_archive.h"
#include "tests/cli/kzf_runner.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::BuildArchive;
using test::Deflated;
using test::Stored;

// A command line that is wrong, the command whose help the error points
// at, and the error's first line, when checked.
struct UsageCase {
  std::vector<std::string> args;
  std::string help;
  std::string error = {};
};

class KzfTest : public ::testing::Test {
 protected:
  // Each misuse exits with 2, says what is wrong in the command line's own
  // terms and points at the help of the command it was in.
  void ExpectUsageErrors(const std::vector<UsageCase>& cases) {
    for (const UsageCase& c : cases) {
      SCOPED_TRACE(testing::PrintToString(c.args));
      const test::KzfResult result = Kzf(c.args);
      EXPECT_EQ(result.exitCode, 2);
      const std::vector<std::string> lines = test::Lines(result.err);
      ASSERT_EQ(lines.size(), 2u) << result.err;
      EXPECT_EQ(lines[0].rfind("kzf: ", 0), 0u);
      if (!c.error.empty()) EXPECT_EQ(lines[0], c.error);
      EXPECT_EQ(lines[1], "Run '" + c.help + " --help' for more information.");
      EXPECT_EQ(result.out, "");
    }
  }

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

// What is wrong is said in the command line's own terms.
TEST_F(KzfTest, UsageErrorsExitWithTwoAndPointAtTheCommandsHelp) {
  ExpectUsageErrors({
      {{}, "kzf"},
      {{"list"}, "kzf list", "kzf: ARCHIVE is required"},
      {{"verify", "a.kzf", "b", "c"},
       "kzf verify",
       "kzf: Unexpected arguments: b c"},
      {{"extract"}, "kzf extract"},
      {{"list", "--json", "--names", "a.kzf"}, "kzf list"},
      {{"list", "-0", "a.kzf"}, "kzf list"},
      {{"extract", "a.kzf", "-C"}, "kzf extract"},
      {{"cat", "a.kzf"}, "kzf cat"},
      {{"diff", "a.kzf"}, "kzf diff"},
      // An archive is written to a file, and diff reads one.
      {{"pack", ".", "-o", "-"},
       "kzf pack",
       "kzf: --output: " + std::string(messages::kArchiveNotToStandardOutput)},
      {{"diff", "-", "f"},
       "kzf diff",
       "kzf: ARCHIVE: " + std::string(messages::kArchiveNotFromStandardInput)},
      // An empty folder would mean the current one.
      {{"pack", "", "-o", "x.kzf"}, "kzf pack"},
      {{"pack", ".", "-o", ""}, "kzf pack", "kzf: --output: must not be empty"},
      {{"pack", ".", "-o", "a.kzf", "--base", ""},
       "kzf pack",
       "kzf: --base: must not be empty"},
      {{"pack", ".", "-o", "a.kzf", "--base", "x/", "--prefix", "y/"},
       "kzf pack",
       "kzf: --base excludes --prefix"},
      {{"pack", "folder", "-o", "a.kzf", "--jobs", "0"}, "kzf pack"},
      {{"pack", "folder", "-o", "a.kzf", "--jobs", "-1"}, "kzf pack"},
      {{"extract", "a.kzf", "-j", "0"}, "kzf extract"},
      {{"verify", "a.kzf", "--jobs", "two"}, "kzf verify"},
      {{"pack", "f", "-o", "a.kzf", "--compress", "--level", "0"}, "kzf pack"},
      {{"pack", "f", "-o", "a.kzf", "--compress", "--level", "10"}, "kzf pack"},
      {{"pack", "f", "-o", "a.kzf", "--level", "3"}, "kzf pack"},
      {{"pack", "f", "-o", "a.kzf", "--store", "*.png"}, "kzf pack"},
      {{"pack", "f", "-o", "a.kzf", "--null"}, "kzf pack"},
      {{"pack", "f", "-o", "a.kzf", "--exclude", ""}, "kzf pack"},
      {{"diff", "a.kzf", "f", "--prefix", "a/", "--base", "b/"}, "kzf diff"},
      // One list of names is relative to one folder.
      {{"add", "a.kzf", "f", "g", "--files-from", "list"},
       "kzf add",
       "kzf: --files-from: takes one PATH, the folder its names are in"},
  });
}

// Filters that no path beneath FOLDER can match, and prefixes that would
// make names unsafe to extract, whatever the files.
TEST_F(KzfTest, FiltersThatCanNeverMatchAndUnsafePrefixesAreUsageErrors) {
  ExpectUsageErrors({
      {{"pack", "f", "-o", "a.kzf", "--exclude", "./build"},
       "kzf pack",
       std::string("kzf: --exclude: ./build: ") + messages::kNeverMatches},
      {{"pack", "f", "-o", "a.kzf", "--include", "/"}, "kzf pack"},
      {{"diff", "a.kzf", "f", "--compress", "--store", "//"}, "kzf diff"},
      {{"pack", "f", "-o", "a.kzf", "--prefix", "C:/"}, "kzf pack"},
      {{"pack", "f", "-o", "a.kzf", "--prefix", "../"},
       "kzf pack",
       "kzf: --prefix: ../: would make unsafe names: contains a \"..\" "
       "component"},
      {{"pack", "f", "-o", "a.kzf", "--prefix", "a\x1b/"},
       "kzf pack",
       "kzf: --prefix: a\\x1b/: contains a control character"},
  });
}

// A command or option kzf does not know is named as written, whatever else
// is wrong after it, with the nearest one it knows when one is near: a
// letter swapped, left out or changed.
TEST_F(KzfTest, UnknownWordsAreNamedWithTheNearestKnownOne) {
  ExpectUsageErrors({
      {{"frobnicate"}, "kzf", "kzf: Unknown command: frobnicate"},
      {{"bogus", "list"}, "kzf", "kzf: Unknown command: bogus"},
      {{"lsit", "a.kzf"},
       "kzf",
       "kzf: Unknown command: lsit (did you mean list?)"},
      {{"--verison"},
       "kzf",
       "kzf: Unknown option: --verison (did you mean --version?)"},
      {{"-v"}, "kzf", "kzf: Unknown option: -v"},
      {{"list", "--bogus", "a.kzf"},
       "kzf list",
       "kzf: Unknown option: --bogus"},
      {{"pack", "f", "-o", "a.kzf", "--levle", "3"},
       "kzf pack",
       "kzf: Unknown option: --levle (did you mean --level?)"},
      {{"pack", "f", "-o", "a.kzf", "--comress=1"},
       "kzf pack",
       "kzf: Unknown option: --comress=1 (did you mean --compress?)"},
  });
}

TEST_F(KzfTest, HelpAndVersion) {
  test::KzfResult result = Kzf({"--version"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "kzf 0.6.0\n");
  result = Kzf({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text :
       {"pack ", "list ", "verify ", "extract ", "cat ", "diff ",
        "Exit status:", "  2  the command line is wrong", "Examples:",
        "  kzf pack assets -o game.kzf"}) {
    EXPECT_NE(result.out.find(text), std::string::npos) << text;
  }
  // -h is list's for sizes, and help everywhere else.
  result = Kzf({"extract", "-h"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("--keep-old-files"), std::string::npos);
  result = Kzf({"list", "--help"});
  EXPECT_NE(result.out.find("-h,--human-readable"), std::string::npos);
  EXPECT_NE(result.out.find("held bytes"), std::string::npos);
}

TEST_F(KzfTest, ListShowsATableWithTotalsInBytesOrUnits) {
  // A name's bytes show as UTF-8, those that are none escaped; on Windows
  // they are the code page's (here 1252) and show as its characters.
  std::string shown = "data/\\x1b[2J\\xc2\\x9b\\xff\\x0acaf\xc3\xa9";
  if (test::OnWindows()) {
    if (test::AnsiCodePage() != 1252) {
      GTEST_SKIP() << "the name is chosen for code page 1252";
    }
    shown = "data/\\x1b[2J\xc3\x82\xe2\x80\xba\xc3\xbf\\x0acaf\xc3\x83\xc2\xa9";
  }
  const std::string path = Save(
      BuildArchive({Stored("data/a.txt", "abc"),
                    Deflated("data/My Maps/b.map", std::string(1000, 'm')),
                    Stored("data/big.bin", std::string(5000, 'b')),
                    Stored("data/\x1b[2J\xc2\x9b\xff\ncaf\xc3\xa9", "")}),
      "a.kzf");
  const std::string stream = test::Deflate(std::string(1000, 'm'));
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", test::Crc32(stream));
  char bigCrc[9];
  std::snprintf(bigCrc, sizeof bigCrc, "%08x",
                test::Crc32(std::string(5000, 'b')));
  char ratio[16];
  std::snprintf(ratio, sizeof ratio, "%.1f%%",
                100.0 * static_cast<double>(stream.size()) / 1000);
  char total[16];
  std::snprintf(total, sizeof total, "%.1f%%",
                100.0 * static_cast<double>(5003 + stream.size()) / 6003);
  const auto row = [](std::string first, std::string size, std::string packed,
                      std::string share, std::string check,
                      std::string name) {
    const auto right = [](const std::string& text, size_t width) {
      return std::string(width - text.size(), ' ') + text;
    };
    return first + std::string(8 - first.size(), ' ') + " " + right(size, 10) +
           " " + right(packed, 10) + " " + right(share, 6) + " " + check +
           " " + name + "\n";
  };
  const std::string header = "Method         Size     Packed  Ratio CRC-32   Name\n";
  const std::string packed = std::to_string(stream.size());
  const struct {
    std::vector<std::string> options;
    std::string out;
  } cases[] = {
      {{},
       header + row("stored", "3", "3", "100.0%", "352441c2", "data/a.txt") +
           row("deflated", "1000", packed, ratio, crc, "data/My Maps/b.map") +
           row("stored", "5000", "5000", "100.0%", bigCrc, "data/big.bin") +
           row("stored", "0", "0", "-", "00000000", shown) +
           row("Total", "6003", std::to_string(5003 + stream.size()), total,
               "        ", "4 entries")},
      {{"-h"},
       header + row("stored", "3 B", "3 B", "100.0%", "352441c2", "data/a.txt") +
           row("deflated", "1000 B", packed + " B", ratio, crc,
               "data/My Maps/b.map") +
           row("stored", "4.9 KiB", "4.9 KiB", "100.0%", bigCrc,
               "data/big.bin") +
           row("stored", "0 B", "0 B", "-", "00000000", shown) +
           row("Total", "5.9 KiB", "4.9 KiB", total, "        ", "4 entries")},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"list"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(path);
    const test::KzfResult result = Kzf(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, "");
  }
}

// Every name, whatever its bytes, comes back exactly from the JSON lines,
// and so do the fields of its record.
TEST_F(KzfTest, ListJsonParsesBackToTheEntries) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "names of any bytes pass through POSIX arguments and "
                    "output alone; Windows shows them in its code page";
  }
  const std::vector<test::TestEntry> entries = {
      Stored("data/a.txt", "abc"),
      Deflated("data/quo\"te\\back slash", std::string(300, 'q')),
      Stored(std::string("data/new\nline\x01\x7f\xc2\x85\xc2\xa0", 19), "c"),
      Stored("data/\xff\xfe latin \xe9", "latin"),
      Stored("data/caf\xc3\xa9 \xf0\x9f\x8e\xae", ""),
      // A right-to-left override, a line separator and a tag character.
      Stored("data/bidi\xe2\x80\xaetxt\xe2\x80\xa8\xf3\xa0\x81\x81.exe", "")};
  const std::string path = Save(BuildArchive(entries), "json.kzf");
  CArchiveReader reader;
  ASSERT_TRUE(reader.Open(path).ok());
  const test::KzfResult result = Kzf({"list", "--json", path});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  // Nothing that steers a terminal or hides itself reaches it, the line
  // ends aside.
  for (std::string_view rest = result.out; !rest.empty();) {
    const Utf8Char c = DecodeUtf8(rest);
    ASSERT_NE(c.length, 0u);
    EXPECT_TRUE(c.code == '\n' || !IsHidden(c.code))
        << static_cast<uint32_t>(c.code);
    rest.remove_prefix(c.length);
  }
  const std::vector<std::string> lines = test::Lines(result.out);
  ASSERT_EQ(lines.size(), entries.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    std::map<std::string, std::string> fields = test::ParseJsonObject(lines[i]);
    const EntryRecord& record = reader.entries()[i].record;
    const bool escaped = fields.count("name_base64") != 0;
    EXPECT_EQ(escaped, i == 3);
    EXPECT_TRUE((escaped ? test::DecodeBase64(fields["name_base64"])
                         : fields["name"]) == entries[i].name);
    if (escaped) EXPECT_EQ(fields["name"], "data/\\xff\\xfe latin \\xe9");
    EXPECT_EQ(fields["method"], i == 1 ? "deflated" : "stored");
    EXPECT_EQ(fields["size"], std::to_string(record.size));
    EXPECT_EQ(fields["packed_size"], std::to_string(record.packedSize));
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", record.crc);
    EXPECT_EQ(fields["crc"], crc);
    EXPECT_EQ(fields["offset"], std::to_string(record.dataOffset));
    EXPECT_EQ(fields.size(), escaped ? 7u : 6u);
  }
}

// A name as list --names prints it, handed back to extract or cat as it
// stands, takes that entry and nothing else: not as a pattern, nor cut at
// a line end with -0.
TEST_F(KzfTest, NamesOnlyListingRoundTripsThroughExtractAndCat) {
  if (test::OnWindows()) {
    GTEST_SKIP() << "names of any bytes pass through POSIX arguments and "
                    "output alone; Windows shows them in its code page";
  }
  const std::vector<std::pair<std::string, std::string>> files = {
      {"data/sp ace.txt", "space"}, {"data/star*.txt", "star"},
      {"data/[x].txt", "bracket"},  {"data/x.txt", "x"},
      {"data/new\nline.txt", "line"}, {"data/\xff.bin", "byte"},
      {"data/back\\slash", "slash"}};
  std::vector<test::TestEntry> entries;
  for (const auto& [name, content] : files) entries.push_back(Stored(name, content));
  const std::string archive = Save(BuildArchive(entries), "names.kzf");

  for (bool nul : {false, true}) {
    SCOPED_TRACE(nul ? "-0" : "lines");
    const test::KzfResult result =
        nul ? Kzf({"list", "--names", "-0", archive})
            : Kzf({"list", "--names", archive});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> names;
    if (nul) {
      for (size_t start = 0, end; (end = result.out.find('\0', start)) !=
                                  std::string::npos;
           start = end + 1) {
        names.push_back(result.out.substr(start, end - start));
      }
    } else {
      names = test::Lines(result.out);
    }
    ASSERT_EQ(names.size(), files.size() + (nul ? 0 : 1));  // a line more
    for (size_t i = 0, f = 0; i < names.size(); ++i, ++f) {
      if (!nul && files[f].first.find('\n') != std::string::npos) {
        ++i;  // split in two lines: only -0 hands it back
        continue;
      }
      ASSERT_TRUE(names[i] == files[f].first) << EscapeName(names[i]);
      const test::KzfResult cat = Kzf({"cat", archive, names[i]});
      EXPECT_EQ(cat.exitCode, 0) << cat.err;
      EXPECT_EQ(cat.out, files[f].second);
      const fs::path out = folder_.path() / ("out" + std::to_string(f));
      const test::KzfResult extract =
          Kzf({"extract", archive, names[i], "-C", out.string()});
      EXPECT_EQ(extract.exitCode, 0) << extract.err;
      EXPECT_EQ(Files(out), std::vector<std::string>{files[f].first});
    }
  }
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

// "-" reads the archive from standard input: the file itself, or on POSIX
// a pipe (here a FIFO), whose bytes are copied first.
TEST_F(KzfTest, AnArchiveOfDashIsReadFromStandardInput) {
  const std::string bytes = BuildArchive(
      {Stored("data/a", "aa"), Deflated("data/b", std::string(70000, 'b'))});
  const std::string archive = Save(bytes, "in.kzf");
  const std::string garbage = Save("PK\x03\x04 not ours", "zip.kzf");
  const fs::path out = folder_.path() / "out";
  const struct {
    std::vector<std::string> args;
    std::string out;
    std::string err;
  } cases[] = {
      {{"verify", "-"}, "standard input: OK, 2 entries\n", ""},
      {{"cat", "-", "data/b", "data/a"}, std::string(70000, 'b') + "aa", ""},
      {{"list", "--names", "-"}, "data/a\ndata/b\n", ""},
      {{"extract", "-", "-C", out.string()},
       "standard input: 2 files extracted to " + out.string() +
           ", 68.4 KiB\n",
       ""},
      {{"list", "-"},
       "",
       "kzf: Not a kzf archive: standard input: starts with "
       "\"PK\\x03\\x04\", not \"kzf1\"\n"},
  };
  const std::string fifo = (folder_.path() / "fifo").string();
  const bool pipes = test::MakeFifo(fifo);
  for (const bool pipe : {false, true}) {
    if (pipe && !pipes) continue;
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::PrintToString(c.args) +
                   (pipe ? " from a pipe" : ""));
      const bool broken = !c.err.empty();
      test::KzfOptions options;
      options.stdinPath = pipe ? fifo : broken ? garbage : archive;
      std::thread writer;
      if (pipe) {
        writer = std::thread([&] {
          test::WriteFile(fifo, broken ? "PK\x03\x04 not ours" : bytes);
        });
      }
      const test::KzfResult result = test::RunKzf(c.args, options);
      if (writer.joinable()) writer.join();
      EXPECT_EQ(result.exitCode, broken ? 1 : 0);
      EXPECT_TRUE(result.out == c.out) << result.out.substr(0, 200);
      EXPECT_EQ(result.err, c.err);
    }
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

TEST_F(KzfTest, ExtractChoosesByNameFolderOrPattern) {
  const std::vector<std::string> names = {
      "data/maps/a.map", "data/maps/sub/b.map", "data/maps2/c.map",
      "data/tex/d.png",  "data/tex/e.PNG",      "readme.txt"};
  std::vector<test::TestEntry> entries;
  for (const std::string& name : names) entries.push_back(Deflated(name, name));
  const std::string archive = Save(BuildArchive(entries), "choose.kzf");
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> extracted;
    std::string err;
  } cases[] = {
      {{"data/maps"}, {"data/maps/a.map", "data/maps/sub/b.map"}, ""},
      {{"data/maps/"}, {"data/maps/a.map", "data/maps/sub/b.map"}, ""},
      {{"*.png"}, {"data/tex/d.png"}, ""},
      {{"data/*/*.map"}, {"data/maps/a.map", "data/maps2/c.map"}, ""},
      {{"data/**/*.map"},
       {"data/maps/a.map", "data/maps/sub/b.map", "data/maps2/c.map"},
       ""},
      {{"maps2"}, {"data/maps2/c.map"}, ""},
      {{"readme.txt", "data/tex/e.PNG"}, {"data/tex/e.PNG", "readme.txt"}, ""},
      {{"data/tex/d.png", "nope", "*.ogg"},
       {"data/tex/d.png"},
       "kzf: Not found in archive: nope\nkzf: Not found in archive: *.ogg\n"},
      {{"gnp.\xe2\x80\xae" "d"},
       {},
       "kzf: Not found in archive: gnp.\\xe2\\x80\\xaed\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const fs::path out = folder_.path() / "out";
    fs::remove_all(out);
    std::vector<std::string> args = {"extract", archive, "-C", out.string()};
    args.insert(args.end(), c.arguments.begin(), c.arguments.end());
    const test::KzfResult result = Kzf(args);
    EXPECT_EQ(result.exitCode, c.err.empty() ? 0 : 1);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(Files(out), c.extracted);
    uint64_t bytes = 0;
    for (const std::string& name : c.extracted) bytes += name.size();
    EXPECT_EQ(result.out, archive + ": " + std::to_string(c.extracted.size()) +
                              (c.extracted.size() == 1 ? " file" : " files") +
                              " extracted to " + out.string() + ", " +
                              std::to_string(bytes) + " B\n");
  }
}

TEST_F(KzfTest, ExtractKeepsOldFilesWhenAskedAndNamesEachFile) {
  const std::string archive = Save(
      BuildArchive({Stored("data/a", "new a"), Deflated("data/b", "new b")}),
      "keep.kzf");
  const fs::path out = folder_.path() / "out";
  const struct {
    std::vector<std::string> options;
    int exitCode;
    std::string a;
    std::string err;
    std::string summary;
  } cases[] = {
      {{"-k"},
       1,
       "old a",
       "kzf: File exists, not replaced: " + test::NativePath(out / "data/a") +
           "\nkzf: Extracted: data/b\n",
       "1 file extracted to " + out.string() +
           ", 5 B; 1 existing file kept\n"},
      {{"--keep-old-files", "--verbose"},
       1,
       "old a",
       "kzf: File exists, not replaced: " + test::NativePath(out / "data/a") +
           "\nkzf: Extracted: data/b\n",
       "1 file extracted to " + out.string() +
           ", 5 B; 1 existing file kept\n"},
      {{"-v"},
       0,
       "new a",
       "kzf: Extracted: data/a\nkzf: Extracted: data/b\n",
       "2 files extracted to " + out.string() + ", 10 B\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    fs::remove_all(out);
    fs::create_directories(out / "data");
    test::WriteFile(out / "data/a", "old a");
    std::vector<std::string> args = {"extract", archive, "-C", out.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const test::KzfResult result = Kzf(args);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(test::ReadFile(out / "data/a"), c.a);
    EXPECT_EQ(test::ReadFile(out / "data/b"), "new b");
    // Only -v names the files written.
    const bool verbose = c.options.size() > 1 || c.options[0] == "-v";
    std::string err = c.err;
    if (!verbose) err.erase(err.find("kzf: Extracted: data/b\n"));
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.out, archive + ": " + c.summary);
  }
}

TEST_F(KzfTest, VerifyNamesEveryDamagedEntryAndCountsThem) {
  std::string bytes = BuildArchive({Stored("data/a", std::string(100, 'a')),
                                    Stored("data/b", "b"),
                                    Deflated("data/c", std::string(100, 'c'))});
  CArchiveReader reader;
  const std::string good = Save(bytes, "good.kzf");
  ASSERT_TRUE(reader.Open(good).ok());
  bytes[reader.entries()[0].record.dataOffset + 50] ^= 1;
  bytes[bytes.size() - 2] ^= 1;  // the zlib stream's checksum
  const std::string bad = Save(bytes, "bad.kzf");
  const test::KzfResult result = Kzf({"verify", bad});
  EXPECT_EQ(result.exitCode, 1);
  const std::vector<std::string> lines = test::Lines(result.err);
  ASSERT_EQ(lines.size(), 3u) << result.err;
  EXPECT_EQ(lines[0].rfind("kzf: Damaged archive: " + bad + ": entry 0 (data/a): ", 0), 0u);
  EXPECT_EQ(lines[1].rfind("kzf: Damaged archive: " + bad + ": entry 2 (data/c): ", 0), 0u);
  EXPECT_EQ(lines[2], "kzf: Damaged archive: " + bad + ": 2 of 3 entries damaged");
  EXPECT_EQ(result.out, "");
}

TEST_F(KzfTest, CatWritesEntriesInTheOrderNamed) {
  const std::string archive =
      Save(BuildArchive({Stored("data/a", std::string("a\0\r\n", 4)),
                         Deflated("data/b", std::string(70000, 'b'))}),
           "cat.kzf");
  test::KzfResult result = Kzf({"cat", archive, "data/b", "data/a"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(result.out == std::string(70000, 'b') + std::string("a\0\r\n", 4));
  result = Kzf({"cat", archive, "data/a", "data/none", "data/a"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kzf: Not found in archive: data/none\n");
  EXPECT_TRUE(result.out == std::string("a\0\r\na\0\r\n", 8));
}

}  // namespace
}  // namespace varnok
