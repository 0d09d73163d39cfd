// Files being written, as a stop signal, a file-size limit, a sync or a
// commit meets them; both for the archive (CAtomicFile) and for extraction
// (CExtractFolder), and both with an unnamed temporary file and with the
// named one kept for file systems that have no unnamed files.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
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

// What a missing file holds, for SyncScope.
const char kMissing[] = "(missing)";

// One sync, with what the watched file held when it came.
struct SyncCall {
  bool folder = false;  // a folder's, or else a file's
  std::string watched;
  bool operator==(const SyncCall&) const = default;
};

// Records every sync, and fails those of one kind (EIO), for as long as it
// lives. Syncs may come from several threads at once.
class SyncScope {
 public:
  enum class Fail { kNone, kFiles, kFolders };
  SyncScope(std::vector<fs::path> watched, Fail fail = Fail::kNone)
      : watched_(std::move(watched)), fail_(fail), saved_(syncFile) {
    current_ = this;
    syncFile = Record;
  }
  ~SyncScope() {
    syncFile = saved_;
    current_ = nullptr;
  }
  // Each sync, with the first watched file's content.
  std::vector<SyncCall> calls() const {
    std::vector<SyncCall> first;
    for (const auto& [folder, contents] : calls_) {
      first.push_back({folder, contents.front()});
    }
    return first;
  }
  // Each sync, with every watched file's content.
  std::vector<std::vector<std::string>> contents() const {
    std::vector<std::vector<std::string>> all;
    for (const auto& call : calls_) all.push_back(call.second);
    return all;
  }

 private:
  static int Record(int fd) {
    SyncScope& self = *current_;
    struct stat info;
    const bool folder = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    std::vector<std::string> contents;
    for (const fs::path& path : self.watched_) {
      contents.push_back(fs::exists(path) ? test::ReadFile(path) : kMissing);
    }
    {
      const std::lock_guard<std::mutex> lock(self.mutex_);
      self.calls_.emplace_back(folder, std::move(contents));
    }
    if (self.fail_ == (folder ? Fail::kFolders : Fail::kFiles)) {
      errno = EIO;
      return -1;
    }
    return self.saved_(fd);
  }

  static inline SyncScope* current_ = nullptr;
  const std::vector<fs::path> watched_;
  const Fail fail_;
  int (*const saved_)(int);
  std::mutex mutex_;
  std::vector<std::pair<bool, std::vector<std::string>>> calls_;
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
  // the first half is written. The archive's warning, if any, in *warning.
  Status Write(Writer writer, const std::string& bytes,
               const std::function<void()>& midway,
               std::string* warning = nullptr) const {
    const size_t half = bytes.size() / 2;
    if (writer == Writer::kArchive) {
      CAtomicFile file(target().string());
      Status status = file.Open();
      if (status.ok()) status = file.Write(bytes.data(), half);
      if (status.ok()) status = file.Seek(half);  // flushes the buffer
      if (!status.ok()) return status;
      midway();
      status = file.Write(bytes.data() + half, bytes.size() - half);
      if (status.ok()) status = file.Commit();
      if (warning != nullptr) *warning = file.warning().ToString();
      return status;
    }
    CExtractFolder extraction;
    Status status = extraction.Open(folder_.string());
    if (!status.ok()) return status;
    extraction.Extract(
        "game.kzf",
        [&](ByteSink& sink) {
          Status appended =
              sink.Append(std::string_view(bytes).substr(0, half));
          if (!appended.ok()) return appended;
          midway();
          return sink.Append(std::string_view(bytes).substr(half));
        },
        [&status](const Status& done) { status = done; });
    extraction.Finish();
    return status;
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
        // One scheme of names for both.
        ASSERT_EQ(midway.size(), 2u);
        EXPECT_TRUE(IsTemporaryNameOf(midway[0], "game.kzf")) << midway[0];
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
      for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM,
                         SIGPIPE, SIGXCPU}) {
        SCOPED_TRACE(Describe(writer, naming) + ", signal " +
                     std::to_string(signal));
        const test::ChildResult result = test::RunInChild([&] {
          ::signal(signal, SIG_DFL);  // as a shell starts a program
          const rlimit noCore{0, 0};  // SIGQUIT and SIGXCPU dump one
          ::setrlimit(RLIMIT_CORE, &noCore);
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

// The bytes reach the disk before the name does, and the archive's name
// before Commit returns: a crash finds the old file or the whole new one.
// A new extracted file replaces none, and is not synced.
TEST_F(TemporaryFileTest, SyncsTheBytesBeforeTheRenameAndTheArchiveFolderAfter) {
  for (Writer writer : kWriters) {
    for (Naming naming : kNamings) {
      for (bool replacing : {true, false}) {
        SCOPED_TRACE(Describe(writer, naming) +
                     (replacing ? ", replacing" : ", new"));
        if (!replacing) fs::remove(target());
        const std::string before = replacing ? "old" : kMissing;
        std::vector<SyncCall> expected;
        if (writer == Writer::kArchive) {
          expected = {{false, before}, {true, "new bytes"}};
        } else if (replacing) {
          expected = {{false, before}};
        }
        const NamingScope scope(naming);
        const SyncScope syncs({target()});
        ASSERT_TRUE(Write(writer, "new bytes", [] {}).ok());
        EXPECT_EQ(syncs.calls(), expected);
        test::WriteFile(target(), "old");
      }
    }
  }
}

TEST_F(TemporaryFileTest, AFailedSyncKeepsTheOldFileAndAFolderSyncOnlyWarns) {
  const std::string failed = std::string(messages::kCantWriteFile) + ": " +
                             target().string() + ": " + std::strerror(EIO);
  const struct {
    Writer writer;
    SyncScope::Fail fail;
    std::string status;
    std::string content;
    std::string warning;
  } cases[] = {
      {Writer::kArchive, SyncScope::Fail::kFiles, failed, "old", ""},
      {Writer::kExtraction, SyncScope::Fail::kFiles, failed, "old", ""},
      // The archive is replaced already: the run succeeds, and says so.
      {Writer::kArchive, SyncScope::Fail::kFolders, "", "new bytes",
       std::string(messages::kFolderNotSynced) + ": " + target().string() +
           ": " + std::strerror(EIO)},
  };
  for (const auto& c : cases) {
    for (Naming naming : kNamings) {
      SCOPED_TRACE(Describe(c.writer, naming) +
                   (c.fail == SyncScope::Fail::kFiles ? ", file" : ", folder"));
      const NamingScope scope(naming);
      const SyncScope syncs({target()}, c.fail);
      std::string warning;
      EXPECT_EQ(Write(c.writer, "new bytes", [] {}, &warning).ToString(),
                c.status);
      EXPECT_EQ(warning, c.warning);
      EXPECT_EQ(test::ReadFile(target()), c.content);
      EXPECT_EQ(Names(), std::vector<std::string>{"game.kzf"});
      test::WriteFile(target(), "old");
    }
  }
}

// Files that replace others wait for their batch: all of its files are
// synced before any takes its name. A batch never finished leaves the old
// files as they were, and no temporary file.
TEST_F(TemporaryFileTest, ExtractionSyncsABatchBeforeRenamingIt) {
  const std::vector<std::string> names = {"a.txt", "b.txt", "c.txt"};
  std::vector<fs::path> paths;
  for (const std::string& name : names) {
    paths.push_back(folder_ / name);
    test::WriteFile(paths.back(), "old");
  }
  for (bool finished : {false, true}) {
    SCOPED_TRACE(finished ? "finished" : "left unfinished");
    const SyncScope syncs(paths);
    std::vector<std::string> done;
    {
      CExtractFolder extraction;
      ASSERT_TRUE(extraction.Open(folder_.string()).ok());
      for (const std::string& name : names) {
        extraction.Extract(
            name, [](ByteSink& sink) { return sink.Append("new"); },
            [&done, name](const Status& status) {
              done.push_back(name + ": " + status.ToString());
            });
      }
      EXPECT_TRUE(done.empty());
      if (finished) extraction.Finish();
    }
    const std::string now = finished ? "new" : "old";
    for (const fs::path& path : paths) EXPECT_EQ(test::ReadFile(path), now);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt",
                                                 "game.kzf"}));
    if (!finished) continue;
    EXPECT_EQ(done,
              (std::vector<std::string>{"a.txt: ", "b.txt: ", "c.txt: "}));
    EXPECT_EQ(syncs.contents(), std::vector<std::vector<std::string>>(
                                    3, std::vector<std::string>(3, "old")));
  }
}

// Without unnamed files, SIGKILL leaves a named temporary file behind. The
// next run over the archive removes it; never one that a writer holds, nor
// a file of the user's whose name only looks like one.
TEST_F(TemporaryFileTest, LeftoversOfAKilledRunGoAndNothingElse) {
  const NamingScope scope(Naming::kNamed);
  const test::ChildResult killed = test::RunInChild([&] {
    const Status ignored =
        Write(Writer::kArchive, "new bytes", [] { raise(SIGKILL); });
    return 0;
  });
  ASSERT_EQ(killed.signal, SIGKILL);
  const std::vector<std::string> left = Names();  // the leftover sorts first
  ASSERT_EQ(left.size(), 2u);
  const std::vector<std::string> users = {
      ".game.kzf.Ab12cZ", ".game.kzf.backup", ".game.kzf.kzf-tmp-short",
      ".other.kzf.kzf-tmp-Ab12cZ34xy"};
  for (const std::string& name : users) test::WriteFile(folder_ / name, "mine");
  std::vector<std::string> removed;
  ASSERT_TRUE(Write(Writer::kArchive, "newer", [&] {
                removed = CAtomicFile::RemoveLeftovers(target().string());
              }).ok());
  EXPECT_EQ(removed, std::vector<std::string>{(folder_ / left[0]).string()});
  std::vector<std::string> expected = users;
  expected.push_back("game.kzf");
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(test::ReadFile(target()), "newer");
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
      Status status = Status::Cancelled();  // until done tells
      extraction.Extract(
          "fresh.txt",
          [&](ByteSink& sink) {
            if (appears) test::WriteFile(fresh, "appeared");
            return sink.Append("extracted");
          },
          [&status](const Status& done) { status = done; },
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
