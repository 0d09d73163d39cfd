// Windows's side of files being written, as a sync, a commit or the next
// run meets them: the archive (CAtomicFile) and extraction (CExtractFolder)
// write marked temporary files that are flushed before they are renamed,
// and a replaced archive keeps its attributes as a POSIX one keeps its mode.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/extract_folder.h"
#include "platform/win32/temporary_file.h"
#include "tests/archive/test_archive.h"
#include "tests/support/platform_test.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

// Records what the target held at each flush, for as long as it lives.
class FlushScope {
 public:
  explicit FlushScope(fs::path target) : target_(std::move(target)) {
    current_ = this;
    flushFile = Record;
  }
  ~FlushScope() {
    flushFile = ::FlushFileBuffers;
    current_ = nullptr;
  }
  std::vector<std::string> seen() const { return seen_; }

 private:
  static BOOL WINAPI Record(HANDLE file) {
    FlushScope& self = *current_;
    {
      const std::lock_guard<std::mutex> lock(self.mutex_);
      self.seen_.push_back(fs::exists(self.target_)
                               ? test::ReadFile(self.target_)
                               : "(missing)");
    }
    return ::FlushFileBuffers(file);
  }

  static inline FlushScope* current_ = nullptr;
  const fs::path target_;
  std::mutex mutex_;
  std::vector<std::string> seen_;
};

class Win32TemporaryFileTest : public ::testing::Test {
 protected:
  fs::path target() const { return temp_.path() / "game.kzf"; }
  std::string Path(const std::string& name) const {
    return test::NativePath(temp_.path() / name);
  }

  Status Commit(const std::string& bytes) const {
    CAtomicFile file(target().string());
    Status status = file.Open();
    if (status.ok()) status = file.Write(bytes.data(), bytes.size());
    return status.ok() ? file.Commit() : status;
  }
  Status Extract(const std::string& bytes) const {
    CExtractFolder extraction;
    Status status = extraction.Open(temp_.path().string());
    if (!status.ok()) return status;
    extraction.Extract(
        "game.kzf", [&](ByteSink& sink) { return sink.Append(bytes); },
        [&status](const Status& done) { status = done; });
    extraction.Finish();
    return status;
  }

  test::TempFolder temp_;
};

TEST_F(Win32TemporaryFileTest, AReplacedArchiveKeepsItsAttributes) {
  for (DWORD attributes :
       {DWORD{FILE_ATTRIBUTE_READONLY}, DWORD{FILE_ATTRIBUTE_HIDDEN},
        DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}}) {
    SCOPED_TRACE(attributes);
    test::WriteFile(target(), "old");
    const std::wstring wide = target().wstring();
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), attributes));
    ASSERT_TRUE(Commit("new").ok());
    EXPECT_EQ(test::ReadFile(target()), "new");
    EXPECT_EQ(::GetFileAttributesW(wide.c_str()) &
                  (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              attributes);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The bytes reach the disk before the name does; a new extracted file
// replaces none, and is not flushed.
TEST_F(Win32TemporaryFileTest, FlushesTheBytesBeforeTheRename) {
  const struct {
    bool archive;
    bool replacing;
    std::vector<std::string> seen;
  } cases[] = {
      {true, true, {"old"}},
      {true, false, {"(missing)"}},
      {false, true, {"old"}},
      {false, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.archive ? "archive" : "extraction") +
                 (c.replacing ? ", replacing" : ", new"));
    fs::remove(target());
    if (c.replacing) test::WriteFile(target(), "old");
    const FlushScope flushes(target());
    ASSERT_TRUE((c.archive ? Commit("new") : Extract("new")).ok());
    EXPECT_EQ(flushes.seen(), c.seen);
    EXPECT_EQ(test::ReadFile(target()), "new");
  }
}

// A temporary file that a killed run left goes; one that a writer holds
// open, or a user's file whose name only looks like one, stays.
TEST_F(Win32TemporaryFileTest, LeftoversGoButNotOneHeldOpen) {
  const std::string leftover = ".game.kzf.kzf-tmp-Ab12cZ34xy";
  const std::string held = ".game.kzf.kzf-tmp-Hh1Hh2Hh3H";
  const std::string users = ".game.kzf.backup";
  for (const std::string& name : {leftover, held, users}) {
    test::WriteFile(temp_.path() / name, "x");
  }
  const test::ExclusiveFile writer(Path(held));
  ASSERT_TRUE(writer.held());
  EXPECT_EQ(CAtomicFile::RemoveLeftovers(target().string()),
            std::vector<std::string>{Path(leftover)});
  EXPECT_FALSE(fs::exists(temp_.path() / leftover));
  EXPECT_TRUE(fs::exists(temp_.path() / held));
  EXPECT_TRUE(fs::exists(temp_.path() / users));
}

}  // namespace
}  // namespace varnok
