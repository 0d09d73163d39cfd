// Files being written, as a stop signal, a file-size limit or a commit meets
// them; both for the archive (CAtomicFile) and for extraction
// (CExtractFolder), and both with an unnamed temporary file and with the
// named one kept for file systems that have no unnamed files.

#include <signal.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/extract_folder.h"
#include "platform/posix/temporary_file.h"
#include "platform/process.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

enum class Writer { kArchive, kExtraction };
enum class Naming { kUnnamed, kNamed };

const Writer kWriters[] = {Writer::kArchive, Writer::kExtraction};
const Naming kNamings[] = {Naming::kUnnamed, Naming::kNamed};

std::string Describe(Writer writer, Naming naming) {
  return std::string(writer == Writer::kArchive ? "archive" : "extraction") +
         (naming == Naming::kUnnamed ? ", unnamed" : ", named");
}

int RefuseUnnamedFile(int, mode_t) {
  errno = EOPNOTSUPP;
  return -1;
}

// Takes the given way for as long as it lives.
class NamingScope {
 public:
  explicit NamingScope(Naming naming) : saved_(openUnnamedFile) {
    if (naming == Naming::kNamed) openUnnamedFile = RefuseUnnamedFile;
  }
  ~NamingScope() { openUnnamedFile = saved_; }

 private:
  int (*const saved_)(int, mode_t);
};

class TemporaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = temp_.path() / "out";
    fs::create_directory(folder_);
    test::WriteFile(target(), "old");
  }

  fs::path target() const { return folder_ / "game.kzf"; }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Writes bytes in place of the target through writer; midway runs once
  // the first half is written.
  Status Write(Writer writer, const std::string& bytes,
               const std::function<void()>& midway) const {
    const size_t half = bytes.size() / 2;
    if (writer == Writer::kArchive) {
      CAtomicFile file(target().string());
      Status status = file.Open();
      if (status.ok()) status = file.Write(bytes.data(), half);
      if (status.ok()) status = file.Seek(half);  // flushes the buffer
      if (!status.ok()) return status;
      midway();
      status = file.Write(bytes.data() + half, bytes.size() - half);
      return status.ok() ? file.Commit() : status;
    }
    CExtractFolder extraction;
    Status status = extraction.Open(folder_.string());
    if (!status.ok()) return status;
    return extraction.Extract("game.kzf", [&](ByteSink& sink) {
      Status appended = sink.Append(std::string_view(bytes).substr(0, half));
      if (!appended.ok()) return appended;
      midway();
      return sink.Append(std::string_view(bytes).substr(half));
    });
  }

  test::TempFolder temp_;
  fs::path folder_;
};

TEST_F(TemporaryFileTest, OnlyTheNamedWayShowsANameWhileWriting) {
  for (Writer writer : kWriters) {
    for (Naming naming : kNamings) {
      SCOPED_TRACE(Describe(writer, naming));
      const NamingScope scope(naming);
      std::vector<std::string> midway;
      ASSERT_TRUE(Write(writer, "new bytes", [&] { midway = Names(); }).ok());
      if (naming == Naming::kUnnamed) {
        EXPECT_EQ(midway, std::vector<std::string>{"game.kzf"});
      } else {
        ASSERT_EQ(midway.size(), 2u);
        EXPECT_EQ(midway[0].find(writer == Writer::kArchive ? ".game.kzf."
                                                            : ".kzf-extract-"),
                  0u)
            << midway[0];
      }
      EXPECT_EQ(Names(), std::vector<std::string>{"game.kzf"});
      EXPECT_EQ(test::ReadFile(target()), "new bytes");
      test::WriteFile(target(), "old");
    }
  }
}

TEST_F(TemporaryFileTest, StopSignalLeavesNoTemporaryFileAndEndsTheProcess) {
  for (Writer writer : kWriters) {
    for (Naming naming : kNamings) {
      for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(Describe(writer, naming) + ", signal " +
                     std::to_string(signal));
        const test::ChildResult result = test::RunInChild([&] {
          InstallSignalHandling();
          const NamingScope scope(naming);
          const Status ignored = Write(writer, "new bytes", [&] {
            std::printf("%zu\n", Names().size());  // with the target
            std::fflush(stdout);
            raise(signal);
          });
          return 0;  // the signal was survived
        });
        EXPECT_EQ(result.signal, signal);
        EXPECT_EQ(result.out, naming == Naming::kNamed ? "2\n" : "1\n");
        EXPECT_EQ(Names(), std::vector<std::string>{"game.kzf"});
        EXPECT_EQ(test::ReadFile(target()), "old");
      }
    }
  }
}

TEST_F(TemporaryFileTest, StopSignalIgnoredAtStartStaysIgnored) {
  const test::ChildResult result = test::RunInChild([&] {
    ::signal(SIGHUP, SIG_IGN);  // as nohup starts a program
    InstallSignalHandling();
    return Write(Writer::kArchive, "new bytes", [] { raise(SIGHUP); }).ok()
               ? 0
               : 1;
  });
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(test::ReadFile(target()), "new bytes");
}

TEST_F(TemporaryFileTest, FileSizeLimitIsAWriteFailure) {
  const std::string big(1 << 20, 'b');
  for (Writer writer : kWriters) {
    for (Naming naming : kNamings) {
      SCOPED_TRACE(Describe(writer, naming));
      test::ChildOptions limited;
      limited.fileSizeLimit = 64 * 1024;
      const test::ChildResult result = test::RunInChild(
          [&] {
            InstallSignalHandling();
            const NamingScope scope(naming);
            std::printf("%s", Write(writer, big, [] {}).ToString().c_str());
            return 0;
          },
          limited);
      EXPECT_EQ(result.signal, 0);
      EXPECT_EQ(result.out,
                "Can't write file: " + target().string() + ": File too large");
      EXPECT_EQ(Names(), std::vector<std::string>{"game.kzf"});
      EXPECT_EQ(test::ReadFile(target()), "old");
    }
  }
}

// Keeping existing files, extraction writes a new file but never replaces
// one, not even one that appears while it writes.
TEST_F(TemporaryFileTest, KeepingExtractionNeverReplacesAFile) {
  for (Naming naming : kNamings) {
    SCOPED_TRACE(naming == Naming::kUnnamed ? "unnamed" : "named");
    const NamingScope scope(naming);
    CExtractFolder extraction;
    ASSERT_TRUE(extraction.Open(folder_.string()).ok());
    const fs::path fresh = folder_ / "fresh.txt";
    for (bool appears : {false, true}) {
      const Status status = extraction.Extract(
          "fresh.txt",
          [&](ByteSink& sink) {
            if (appears) test::WriteFile(fresh, "appeared");
            return sink.Append("extracted");
          },
          CExtractFolder::Existing::kKeep);
      EXPECT_EQ(status.ok(), !appears) << status.ToString();
      if (appears) {
        EXPECT_EQ(status.ToString(), std::string(messages::kFileExists) +
                                         ": " + fresh.string());
        EXPECT_EQ(test::ReadFile(fresh), "appeared");
      } else {
        EXPECT_EQ(test::ReadFile(fresh), "extracted");
      }
      fs::remove(fresh);
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"game.kzf"});
  }
}

}  // namespace
}  // namespace varnok
