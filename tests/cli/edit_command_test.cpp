// kzf add, remove and rename, run as a process: an edited archive is the
// archive a pack of the changed tree gives, and a refused or failed edit
// leaves the archive as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/messages.h"
#include "tests/archive/test_archive.h"
#include "tests/cli/kzf_runner.h"
#include "tests/support/temp_folder.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

class EditCommandTest : public ::testing::Test {
 protected:
  // Runs kzf in the test's folder, where every path given is.
  test::KzfResult Kzf(const std::vector<std::string>& args) {
    test::KzfOptions options;
    options.cwd = folder_.path();
    return test::RunKzf(args, options);
  }
  // Writes content to the file at name beneath the test's folder.
  void Write(const std::string& name, const std::string& content) {
    const fs::path path = folder_.path() / name;
    fs::create_directories(path.parent_path());
    test::WriteFile(path, content);
  }
  fs::path Path(const std::string& name) const { return folder_.path() / name; }
  // What the test's folder holds, by name, beside the files it wrote.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  test::TempFolder folder_;
};

// An archive packed and then changed with each command is byte for byte a
// pack of a copy of the tree changed the same way: entries kept as they lie,
// new and renamed names merged in where a pack puts them.
TEST_F(EditCommandTest, EditsGiveThePackOfTheChangedTree) {
  const std::vector<std::vector<std::string>> methods = {
      {}, {"--compress"}, {"--compress", "--store", "*.PNG"}};
  const std::string noise = test::RandomBytes(70000, 3);
  for (const std::vector<std::string>& method : methods) {
    SCOPED_TRACE(method.empty() ? "stored" : method.back());
    fs::remove_all(Path("tree"));
    fs::remove_all(Path("changed"));
    for (const std::string root : {"tree/", "changed/"}) {
      Write(root + "a.txt", test::Text(5000, 1));
      Write(root + "maps/m1.map", noise);
      Write(root + "maps/sub/m2.map", test::Text(40000, 2));
      Write(root + "Tex/Stone.PNG", noise.substr(100));
      Write(root + "z.bin", "zzz");
    }
    Write("patch/maps/m1.map", test::Text(9000, 4));  // replaces
    Write("patch/new/n.txt", "new");                   // added
    Write("extra/B.txt", "a file given by itself");
    // The same changes made to the tree itself.
    Write("changed/maps/m1.map", test::Text(9000, 4));
    Write("changed/new/n.txt", "new");
    Write("changed/B.txt", "a file given by itself");
    fs::remove(Path("changed/z.bin"));
    fs::rename(Path("changed/a.txt"), Path("changed/Alpha.txt"));
    fs::rename(Path("changed/maps"), Path("changed/levels"));

    auto with = [&method](std::vector<std::string> args) {
      args.insert(args.end(), method.begin(), method.end());
      return args;
    };
    const std::vector<std::vector<std::string>> runs = {
        with({"pack", "tree", "-o", "edited.kzf", "--prefix", "data/"}),
        with({"add", "edited.kzf", "patch", "extra/B.txt", "--prefix", "data/"}),
        {"remove", "edited.kzf", "data/z.bin"},
        {"rename", "edited.kzf", "data/a.txt", "data/Alpha.txt"},
        {"rename", "edited.kzf", "data/maps/", "data/levels"},
        with({"pack", "changed", "-o", "packed.kzf", "--prefix", "data/"}),
    };
    for (const std::vector<std::string>& run : runs) {
      const test::KzfResult result = Kzf(run);
      ASSERT_EQ(result.exitCode, 0) << run[0] << ": " << result.err;
    }
    EXPECT_EQ(test::ReadFile(Path("edited.kzf")),
              test::ReadFile(Path("packed.kzf")));
  }
}

// Each refusal names its cause, and leaves the archive as it was, with no
// temporary file beside it.
TEST_F(EditCommandTest, RefusalsLeaveTheArchiveAsItWas) {
  Write("tree/a.txt", "a");
  Write("tree/b.txt", "b");
  Write("tree/maps/m.map", "m");
  Write("other/a.txt", "another a");
  ASSERT_EQ(Kzf({"pack", "tree", "-o", "x.kzf", "--prefix", "data/"}).exitCode,
            0);
  const std::string before = test::ReadFile(Path("x.kzf"));
  const std::vector<std::string> listing = Listing();
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"remove", "x.kzf", "data/c.txt"}, messages::kNotFoundInArchive},
      {{"rename", "x.kzf", "data/nothing", "data/c.txt"},
       messages::kNotFoundInArchive},
      {{"rename", "x.kzf", "data/a.txt", "data/b.txt"},
       messages::kNameInArchive},
      {{"rename", "x.kzf", "data/maps", "../maps"},
       messages::kUnsafeStoredName},
      {{"add", "x.kzf", "tree/a.txt", "other/a.txt", "--prefix", "data/"},
       messages::kDuplicateStoredName},
      {{"add", "x.kzf", "missing.txt"}, messages::kCantReadFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2]);
    const test::KzfResult result = Kzf(c.args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(Path("x.kzf")), before);
    EXPECT_EQ(Listing(), listing);
  }
  // Passing over what is missing is asked for, and then no refusal.
  EXPECT_EQ(Kzf({"remove", "x.kzf", "data/c.txt", "data/b.txt",
                 "--ignore-missing"})
                .exitCode,
            0);
}

// A kept entry whose held bytes are damaged stops the edit, naming it,
// unless --skip-damaged leaves it out and names it.
TEST_F(EditCommandTest, DamagedKeptEntry) {
  std::string archive = test::BuildArchive(
      {test::Stored("data/a.txt", "intact"),
       test::Deflated("data/b.txt", test::Text(3000))});
  archive.back() ^= 1;  // the last held byte, data/b.txt's
  Write("x.kzf", archive);
  Write("add/c.txt", "c");
  const std::vector<std::string> add = {"add", "x.kzf", "add/c.txt",
                                        "--prefix", "data/"};
  test::KzfResult result = Kzf(add);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("entry 1 (data/b.txt)"), std::string::npos)
      << result.err;
  EXPECT_EQ(test::ReadFile(Path("x.kzf")), archive);

  std::vector<std::string> skipping = add;
  skipping.push_back("--skip-damaged");
  result = Kzf(skipping);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find(std::string(messages::kDamagedLeftOut) +
                            ": data/b.txt"),
            std::string::npos)
      << result.err;
  result = Kzf({"list", "--names", "x.kzf"});
  EXPECT_EQ(test::Lines(result.out),
            (std::vector<std::string>{"data/a.txt", "data/c.txt"}));
}

}  // namespace
}  // namespace varnok
