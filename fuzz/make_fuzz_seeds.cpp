// Writes the fuzz targets' first inputs beneath FOLDER:
//   reader/  archives made by the pack engine, one stored, one deflated and
//            one of 2,000 small stored entries, and an archive with no
//            entries (which the engine refuses to make, so it is laid down
//            from the format's records);
//   names/   stored names, safe and unsafe.
// Each archive is opened and verified before the program reports success.
//
// Usage: make_fuzz_seeds FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "archive/coding.h"
#include "base/messages.h"

namespace fs = std::filesystem;

namespace {

using varnok::Status;

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Lines of a level file: text that deflates well.
std::string LevelText() {
  std::string text;
  for (int i = 0; i < 60; ++i) {
    text += "spawn " + std::to_string(i % 7) + " at " + std::to_string(i * 13) +
            "," + std::to_string(i * 29 % 101) + "\n";
  }
  return text;
}

// Bytes that deflate poorly, like an already compressed texture.
std::string NoiseBytes(size_t length) {
  std::string bytes(length, '\0');
  uint32_t state = 2463534242u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state & 0xFF);
  }
  return bytes;
}

// Packs files (path beneath sources, content) into archive.
Status Pack(const fs::path& sources,
            const std::vector<std::pair<std::string, std::string>>& files,
            const fs::path& archive, bool compress) {
  varnok::PackRequest request;
  for (const auto& [name, content] : files) {
    const fs::path path = sources / name;
    fs::create_directories(path.parent_path());
    if (!WriteFile(path, content)) {
      return Status::IoError(varnok::messages::kCantWriteFile, path.string());
    }
    request.paths.push_back(path.string());
  }
  request.archiveName = archive.string();
  request.basePath = "data/";
  request.compress = compress;
  return varnok::CArchiveWriter(1).Pack(request);
}

// An archive with no entries: the tables, every bucket slot {0, 0}, and the
// zero byte.
std::string EmptyArchive() {
  std::string out;
  varnok::ArchiveHeader header;
  header.lastDirectoryByte =
      static_cast<uint32_t>(varnok::DirectoryOffset(0));
  header.entryCount = 0;
  varnok::AppendHeader(&out, header);
  varnok::PutFixed32(&out, varnok::kBucketCount);
  for (uint32_t j = 0; j < varnok::kBucketCount; ++j) {
    varnok::AppendBucketSlot(&out, varnok::BucketSlot{0, 0});
  }
  out.push_back('\0');
  return out;
}

Status OpenAndVerify(const fs::path& archive) {
  varnok::CArchiveReader reader;
  Status status = reader.Open(archive.string());
  return status.ok() ? reader.VerifyAll() : status;
}

Status MakeReaderSeeds(const fs::path& folder, const fs::path& sources) {
  const std::vector<std::pair<std::string, std::string>> small = {
      {"data/a.txt", "abc"},
      {"data/empty.bin", ""},
      {"data/levels/level 1.txt", LevelText()},
      {"data/textures/Stone Wall.png", NoiseBytes(300)},
  };
  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 2000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "data/m/%04d", i);
    many.emplace_back(name, std::string(static_cast<size_t>(i % 3), 'a'));
  }

  Status status = Pack(sources / "small", small, folder / "stored.kzf", false);
  if (status.ok()) {
    status = Pack(sources / "small", small, folder / "deflated.kzf", true);
  }
  if (status.ok()) {
    status = Pack(sources / "many", many, folder / "many.kzf", false);
  }
  if (status.ok() && !WriteFile(folder / "empty.kzf", EmptyArchive())) {
    status = Status::IoError(varnok::messages::kCantWriteFile,
                             (folder / "empty.kzf").string());
  }
  for (const char* seed : {"stored.kzf", "deflated.kzf", "many.kzf",
                           "empty.kzf"}) {
    if (status.ok()) status = OpenAndVerify(folder / seed);
  }
  return status;
}

Status MakeNameSeeds(const fs::path& folder) {
  const std::string names[] = {
      "data/a.txt",  "data/textures/Stone Wall.png", "./data//a",
      "data/..a/b..", "data/.hidden", "../x", "/etc/passwd", "data/../../x",
      "data/",       "data/.",     std::string("data/a\0b", 8),
  };
  int index = 0;
  for (const std::string& name : names) {
    const fs::path path = folder / ("name-" + std::to_string(index++));
    if (!WriteFile(path, name)) {
      return Status::IoError(varnok::messages::kCantWriteFile, path.string());
    }
  }
  return Status::Ok();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const fs::path sources = folder / "sources";
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder / "reader", error);
  fs::create_directories(folder / "names", error);
  if (error) {
    std::fprintf(stderr, "make_fuzz_seeds: %s: %s\n", folder.c_str(),
                 error.message().c_str());
    return 1;
  }
  Status status = MakeReaderSeeds(folder / "reader", sources);
  if (status.ok()) status = MakeNameSeeds(folder / "names");
  fs::remove_all(sources, error);
  if (!status.ok()) {
    std::fprintf(stderr, "make_fuzz_seeds: %s\n", status.ToString().c_str());
    return 1;
  }
  return 0;
}
