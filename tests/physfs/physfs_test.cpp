// The kzf archiver in PhysFS, as a game meets it: archives mounted from a
// path, from inside another mount and from a game's own Io, every entry
// enumerated and read, seeks, and damaged archives.

#include <physfs.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kzf_physfs.h"
#include "tests/archive/test_archive.h"
#include "tests/support/temp_folder.h"

namespace varnok::test {
namespace {

// One file of the test archive: its entry and its original bytes.
struct GameFile {
  TestEntry entry;
  std::string content;
};

GameFile Game(std::string name, std::string content, bool deflate) {
  return {deflate ? Deflated(name, content) : Stored(name, content),
          std::move(content)};
}

// Stored and deflated entries beneath nested folders, an empty file, and
// entries of several read buffers.
std::vector<GameFile> GameFiles() {
  return {Game("data/readme.txt", Text(1000), false),
          Game("data/maps/level1.map", Text(300000, 1), true),
          Game("data/maps/level2.map", RandomBytes(200000, 2), false),
          Game("data/sounds/hit.ogg", RandomBytes(5000, 3), true),
          Game("data/empty", "", false),
          Game("top.cfg", Text(10, 4), true)};
}

std::string GameArchive(const std::vector<GameFile>& files) {
  std::vector<TestEntry> entries;
  for (const GameFile& file : files) entries.push_back(file.entry);
  return BuildArchive(entries);
}

std::string LastError() {
  return PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
}

// A game's own stream of an archive's bytes, for PHYSFS_mountIo; counts the
// bytes read through it in *read.
struct CountingIo {
  std::string bytes;
  uint64_t position = 0;
  uint64_t* read;

  static PHYSFS_Io* Make(std::string bytes, uint64_t* read) {
    static const PHYSFS_Io kIo = {
        0, nullptr, Read, nullptr, Seek, Tell, Length, nullptr, nullptr,
        [](PHYSFS_Io* io) {
          delete static_cast<CountingIo*>(io->opaque);
          delete io;
        }};
    auto* io = new PHYSFS_Io(kIo);
    io->opaque = new CountingIo{std::move(bytes), 0, read};
    return io;
  }
  static PHYSFS_sint64 Read(PHYSFS_Io* io, void* buffer, PHYSFS_uint64 n) {
    auto* self = static_cast<CountingIo*>(io->opaque);
    n = std::min<uint64_t>(n, self->bytes.size() - self->position);
    std::memcpy(buffer, self->bytes.data() + self->position, n);
    self->position += n;
    *self->read += n;
    return static_cast<PHYSFS_sint64>(n);
  }
  static int Seek(PHYSFS_Io* io, PHYSFS_uint64 offset) {
    auto* self = static_cast<CountingIo*>(io->opaque);
    if (offset > self->bytes.size()) return 0;
    self->position = offset;
    return 1;
  }
  static PHYSFS_sint64 Tell(PHYSFS_Io* io) {
    return static_cast<PHYSFS_sint64>(
        static_cast<CountingIo*>(io->opaque)->position);
  }
  static PHYSFS_sint64 Length(PHYSFS_Io* io) {
    return static_cast<PHYSFS_sint64>(
        static_cast<CountingIo*>(io->opaque)->bytes.size());
  }
};

class PhysfsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(PHYSFS_init(nullptr)) << LastError();
    ASSERT_TRUE(kzf_physfs_register()) << LastError();
  }
  static void TearDownTestSuite() { PHYSFS_deinit(); }

  void TearDown() override {
    for (const std::string& mounted : mounted_) PHYSFS_unmount(mounted.c_str());
    PHYSFS_unmount(folder_.path().string().c_str());
  }

  // Writes bytes to NAME in the temporary folder and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (folder_.path() / name).string();
    WriteFile(path, bytes);
    return path;
  }
  bool MountFile(const std::string& path) {
    if (!PHYSFS_mount(path.c_str(), nullptr, 1)) return false;
    mounted_.push_back(path);
    return true;
  }
  // Mounts the temporary folder's file NAME, opened through PhysFS, under
  // mountName, as a game mounts an archive that lies inside another.
  bool MountInside(const std::string& name, const std::string& mountName) {
    PHYSFS_mount(folder_.path().string().c_str(), kHost, 1);
    PHYSFS_File* file = PHYSFS_openRead((std::string(kHost) + "/" + name).c_str());
    if (file == nullptr ||
        !PHYSFS_mountHandle(file, mountName.c_str(), nullptr, 1)) {
      if (file != nullptr) PHYSFS_close(file);
      return false;
    }
    mounted_.push_back(mountName);
    return true;
  }
  // Mounts bytes from a game's own Io under mountName; *read counts the
  // bytes read through it.
  bool MountIo(const std::string& bytes, const std::string& mountName,
               uint64_t* read) {
    PHYSFS_Io* io = CountingIo::Make(bytes, read);
    if (!PHYSFS_mountIo(io, mountName.c_str(), nullptr, 1)) {
      io->destroy(io);
      return false;
    }
    mounted_.push_back(mountName);
    return true;
  }

  // Where the temporary folder is mounted for MountInside.
  static constexpr const char* kHost = "host";
  TempFolder folder_;
  std::vector<std::string> mounted_;
};

// Every file beneath folder, by walking what enumerate and stat tell; fails
// the test on a name listed twice in one folder.
void CollectFiles(const std::string& folder, std::vector<std::string>* files) {
  std::vector<std::string> children;
  auto collect = [](void* data, const char*, const char* name) {
    static_cast<std::vector<std::string>*>(data)->push_back(name);
    return PHYSFS_ENUM_OK;
  };
  ASSERT_TRUE(PHYSFS_enumerate(folder.c_str(), collect, &children));
  EXPECT_EQ(std::set<std::string>(children.begin(), children.end()).size(),
            children.size())
      << "in '" << folder << "'";
  for (const std::string& child : children) {
    const std::string path = folder.empty() ? child : folder + "/" + child;
    PHYSFS_Stat stat;
    ASSERT_TRUE(PHYSFS_stat(path.c_str(), &stat)) << path;
    if (stat.filetype == PHYSFS_FILETYPE_DIRECTORY) {
      CollectFiles(path, files);
    } else {
      files->push_back(path);
    }
  }
}

// How the tests read a file: whole in one call, as games mostly do, and in
// pieces through the entry's stream.
const std::vector<size_t> kPieces = {0, 4096};

// The whole of the file at path, read in pieces of piece bytes (0: all in
// one call), or a failure naming PhysFS's error.
::testing::AssertionResult ReadWhole(const std::string& path,
                                     std::string* bytes, size_t piece = 0) {
  PHYSFS_File* file = PHYSFS_openRead(path.c_str());
  if (file == nullptr) {
    return ::testing::AssertionFailure() << path << ": " << LastError();
  }
  const auto length = static_cast<size_t>(PHYSFS_fileLength(file));
  bytes->assign(length + 1, '\0');
  size_t done = 0;
  PHYSFS_sint64 got = 0;
  do {
    const size_t want = piece == 0 ? bytes->size() - done : piece;
    got = PHYSFS_readBytes(file, bytes->data() + done,
                           std::min(want, bytes->size() - done));
    done += static_cast<size_t>(std::max<PHYSFS_sint64>(got, 0));
  } while (got > 0 && done < bytes->size());
  const std::string error = LastError();
  PHYSFS_close(file);
  bytes->resize(done);
  if (got < 0 || done != length) {
    return ::testing::AssertionFailure()
           << path << ": read " << done << " of " << length << ": " << error;
  }
  return ::testing::AssertionSuccess();
}

TEST_F(PhysfsTest, MountsEnumeratesAndReadsEveryEntry) {
  const std::vector<GameFile> files = GameFiles();
  const std::string archive = GameArchive(files);
  const std::string path = Write("game.kzf", archive);
  // A file of the mounted name that holds another archive must not be
  // read in place of the bytes PhysFS hands over.
  const std::string other = Write(
      "other.kzf", BuildArchive({Stored("data/readme.txt", "other")}));
  // A mount reads the archive's directory, not the whole archive.
  uint64_t read = 0;
  const std::vector<std::pair<std::string, std::function<bool()>>> mounts = {
      {path, [&] { return MountFile(path); }},
      {"inner.kzf", [&] { return MountInside("game.kzf", "inner.kzf"); }},
      {other, [&] { return MountInside("game.kzf", other); }},
      {"own.kzf", [&] {
         return MountIo(archive, "own.kzf", &read) && read < archive.size() / 8;
       }}};
  std::vector<std::string> names;
  for (const GameFile& file : files) names.push_back(file.entry.name);
  std::sort(names.begin(), names.end());
  for (const auto& [name, mount] : mounts) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(mount()) << LastError() << " (read " << read << ")";
    std::vector<std::string> found;
    CollectFiles("", &found);
    std::erase_if(found, [](const std::string& path) {
      return path.starts_with(std::string(kHost) + "/");
    });
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, names);
    for (const GameFile& file : files) {
      for (const size_t piece : kPieces) {
        std::string bytes;
        EXPECT_TRUE(ReadWhole(file.entry.name, &bytes, piece)) << piece;
        EXPECT_TRUE(bytes == file.content) << file.entry.name << " " << piece;
      }
    }
    PHYSFS_unmount(name.c_str());
    mounted_.clear();
  }
}

TEST_F(PhysfsTest, SeeksWithinStoredAndDeflatedEntries) {
  const std::vector<GameFile> files = GameFiles();
  ASSERT_TRUE(MountFile(Write("game.kzf", GameArchive(files))))
      << LastError();
  // Forward, backward to the start and to the middle, to the last byte.
  const std::vector<uint64_t> positions = {150000, 7, 0, 123456, 199999};
  for (const size_t index : {1, 2}) {
    const GameFile& game = files[index];
    SCOPED_TRACE(game.entry.name);
    PHYSFS_File* file = PHYSFS_openRead(game.entry.name.c_str());
    ASSERT_NE(file, nullptr) << LastError();
    for (const uint64_t position : positions) {
      ASSERT_TRUE(PHYSFS_seek(file, position)) << position << LastError();
      EXPECT_EQ(PHYSFS_tell(file), static_cast<PHYSFS_sint64>(position));
      std::string bytes(100, '\0');
      const PHYSFS_sint64 got = PHYSFS_readBytes(file, bytes.data(), 100);
      bytes.resize(static_cast<size_t>(std::max<PHYSFS_sint64>(got, 0)));
      EXPECT_TRUE(bytes == game.content.substr(position, 100)) << position;
    }
    EXPECT_FALSE(PHYSFS_seek(file, game.content.size() + 1));
    PHYSFS_close(file);
  }
}

TEST_F(PhysfsTest, RefusesDamagedArchivesAtMountAndDamagedEntriesAtRead) {
  const std::vector<GameFile> files = GameFiles();
  const std::string archive = GameArchive(files);
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"truncated", archive.substr(0, archive.size() - 1)},
      {"lengthened", archive + "x"},
      {"cut in its tables", archive.substr(0, 4100)}};
  for (const auto& [name, bytes] : refused) {
    EXPECT_FALSE(MountFile(Write(name + ".kzf", bytes))) << name;
    EXPECT_EQ(PHYSFS_getLastErrorCode(), PHYSFS_ERR_CORRUPT) << name;
  }
  // A byte of an entry's data is checked only when the entry is read.
  const GameFile& sound = files[3];
  std::string flipped = archive;
  flipped[archive.find(sound.entry.held) + 2000] ^= 0x20;
  ASSERT_TRUE(MountFile(Write("flipped.kzf", flipped))) << LastError();
  std::string bytes;
  for (const size_t piece : kPieces) {
    EXPECT_FALSE(ReadWhole(sound.entry.name, &bytes, piece)) << piece;
    EXPECT_TRUE(ReadWhole(files[0].entry.name, &bytes, piece)) << piece;
  }
}

}  // namespace
}  // namespace varnok::test
