// Packs that meet a fault: each must fail with the right message, leave no
// temporary file behind and leave an existing archive byte for byte as it
// was. Every run happens in a child process, as nobody where rights matter
// (root may read and write anything).

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_self.h"
#include "archive/archive_writer.h"
#include "cli/command.h"
#include "platform/posix/temporary_file.h"
#include "platform/process.h"
#include "scan/pack_list.h"
#include "tests/archive/test_archive.h"
#include "tests/cli/kzf_runner.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;

const std::string kOldArchive =
    test::BuildArchive({test::Stored("data/old.txt", "the previous archive")});

// A tree to pack and a folder that holds the archive of an earlier run.
struct Scene {
  Scene() {
    fs::create_directories(data);
    test::WriteFile(data / "a.bin", test::RandomBytes(1 << 20, 11));
    test::WriteFile(data / "b.txt", "b");
    fs::create_directory(out);
    test::WriteFile(archive, kOldArchive);
    // Room for a run as nobody.
    fs::permissions(temp.path(), fs::perms::all & ~fs::perms::others_write &
                                     ~fs::perms::group_write);
    fs::permissions(out, fs::perms::all);
  }

  test::TempFolder temp;
  const fs::path tree = temp.path() / "game";
  const fs::path data = tree / "data";
  const fs::path out = temp.path() / "out";
  const fs::path archive = out / "game.kzf";
};

test::KzfResult PackWithKzf(const Scene& scene,
                            const test::KzfOptions& options) {
  return test::RunKzf(
      {"pack", scene.tree.string(), "-o", scene.archive.string()}, options);
}

// What kzf pack does, in a child, with the scan and the pack apart so that a
// fault can come between them or during the pack.
test::ChildResult PackInChild(const Scene& scene,
                              const std::function<void()>& afterScan,
                              PackObserver* observer) {
  return test::RunInChild([&] {
    InstallSignalHandling();
    PackRequest request;
    request.paths = ListFilesToPack(scene.tree.string()).paths;
    request.archiveName = scene.archive.string();
    request.basePath = "data/";
    afterScan();
    std::vector<std::string> temporaryFiles;
    Status status = CArchiveSelf(request.archiveName)
                        .LeaveOut(request.paths, &temporaryFiles);
    CArchiveWriter writer;
    if (status.ok()) status = writer.Pack(request, observer);
    if (!status.ok()) PrintError(status);
    if (!writer.warning().ok()) PrintWarning(writer.warning());
    return status.ok() ? 0 : 1;
  });
}

int RefuseUnnamedFile(int, mode_t) {
  errno = EOPNOTSUPP;
  return -1;
}

// Syncs files, and fails to sync folders.
int FailFolderSync(int fd) {
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EIO;
    return -1;
  }
  return ::fsync(fd);
}

// Stops the process with SIGTERM once the pack has read its first bytes.
class TerminatingObserver : public PackObserver {
 public:
  bool OnProgress(const PackProgress& progress) override {
    if (progress.bytesDone > 0) raise(SIGTERM);
    return true;
  }
};

// True when the scene's output folder holds the old archive as it was, and
// nothing else.
::testing::AssertionResult OnlyTheOldArchive(const Scene& scene) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(scene.out)) {
    names.push_back(entry.path().filename().string());
  }
  if (names != std::vector<std::string>{"game.kzf"}) {
    return ::testing::AssertionFailure()
           << "the folder holds " << ::testing::PrintToString(names);
  }
  if (test::ReadFile(scene.archive) != kOldArchive) {
    return ::testing::AssertionFailure() << "the old archive changed";
  }
  return ::testing::AssertionSuccess();
}

struct Fault {
  std::string name;
  // Makes the fault in the scene and runs the pack.
  std::function<test::ChildResult(Scene&)> run;
  // What the run must print on stderr, or the signal that must end it.
  std::function<std::string(const Scene&)> err;
  int signal = 0;
};

TEST(PackFaultTest, EveryFaultFailsWithItsMessageAndLeavesTheOldArchive) {
  test::KzfOptions asNobody;
  asNobody.unprivileged = true;
  const std::vector<Fault> faults = {
      {"file-size limit",
       [](Scene& scene) {
         test::KzfOptions limited;
         limited.fileSizeLimit = 64 * 1024;
         return PackWithKzf(scene, limited);
       },
       [](const Scene& scene) {
         return "kzf: Can't write file: " + scene.archive.string() +
                ": File too large\n";
       }},
      {"source file that can't be read",
       [&](Scene& scene) {
         fs::permissions(scene.data / "a.bin", fs::perms::none);
         return PackWithKzf(scene, asNobody);
       },
       [](const Scene& scene) {
         return "kzf: Can't read file: " + (scene.data / "a.bin").string() +
                ": Permission denied\n";
       }},
      {"source file deleted between the scan and the pack",
       [](Scene& scene) {
         return PackInChild(
             scene, [&] { fs::remove(scene.data / "b.txt"); }, nullptr);
       },
       [](const Scene& scene) {
         return "kzf: Can't read file: " + (scene.data / "b.txt").string() +
                ": No such file or directory\n";
       }},
      {"source folder that can't be read",
       [&](Scene& scene) {
         fs::create_directory(scene.data / "locked");
         test::WriteFile(scene.data / "locked/c.txt", "c");
         fs::permissions(scene.data / "locked", fs::perms::none);
         return PackWithKzf(scene, asNobody);
       },
       [](const Scene& scene) {
         return "kzf: Can't read folder: " + (scene.data / "locked").string() +
                ": Permission denied\n";
       }},
      {"target folder that can't be written",
       [&](Scene& scene) {
         fs::permissions(scene.out, fs::perms::owner_all |
                                        fs::perms::group_read |
                                        fs::perms::group_exec |
                                        fs::perms::others_read |
                                        fs::perms::others_exec);
         return PackWithKzf(scene, asNobody);
       },
       [](const Scene& scene) {
         return "kzf: Can't open file: " + scene.archive.string() +
                ": Permission denied\n";
       }},
      {"SIGTERM mid-run",
       [](Scene& scene) {
         TerminatingObserver terminating;
         return PackInChild(scene, [] {}, &terminating);
       },
       [](const Scene&) { return std::string(); }, SIGTERM},
      {"SIGTERM mid-run, on a file system without unnamed files",
       [](Scene& scene) {
         TerminatingObserver terminating;
         return PackInChild(
             scene, [] { openUnnamedFile = RefuseUnnamedFile; }, &terminating);
       },
       [](const Scene&) { return std::string(); }, SIGTERM},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    Scene scene;
    const test::ChildResult result = fault.run(scene);
    if (fault.signal != 0) {
      EXPECT_EQ(result.signal, fault.signal);
    } else {
      EXPECT_EQ(result.exitCode, 1);
    }
    EXPECT_EQ(result.err, fault.err(scene));
    EXPECT_TRUE(OnlyTheOldArchive(scene));
  }
}

// The archive has taken its place when its folder fails to sync: the run
// succeeds, and warns that the new name may not survive a crash.
TEST(PackFaultTest, AFolderThatCantBeSyncedAfterTheRenameIsAWarning) {
  Scene scene;
  const test::ChildResult result =
      PackInChild(scene, [] { syncFile = FailFolderSync; }, nullptr);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "kzf: Warning: " +
                            std::string(messages::kFolderNotSynced) + ": " +
                            scene.archive.string() + ": " +
                            std::strerror(EIO) + "\n");
  EXPECT_EQ(test::ReadFile(scene.archive).rfind("kzf1", 0), 0u);
  EXPECT_NE(test::ReadFile(scene.archive), kOldArchive);
}

// A small file system of its own that fills up; mounting one takes root.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const fs::path& at) : at_(at) {
    mounted_ = mount("tmpfs", at.c_str(), "tmpfs", 0, "size=256k") == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) umount(at_.c_str());
  }
  bool mounted() const { return mounted_; }

 private:
  const fs::path at_;
  bool mounted_ = false;
};

TEST(PackFaultTest, FullDiskFailsWithItsMessageAndLeavesTheOldArchive) {
  Scene scene;
  const SmallFileSystem small(scene.out);
  if (!small.mounted()) {
    GTEST_SKIP() << "mounting a small tmpfs needs root: " << std::strerror(errno);
  }
  test::WriteFile(scene.archive, kOldArchive);
  const test::KzfResult result = PackWithKzf(scene, {});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "kzf: Can't write file: " + scene.archive.string() +
                            ": No space left on device\n");
  EXPECT_TRUE(OnlyTheOldArchive(scene));
}

}  // namespace
}  // namespace varnok
