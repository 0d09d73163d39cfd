// Measures the pack engine on one large file or on a folder of many files.
//
//   pack_bench make-source FILE MIB
//       writes MIB mebibytes of game-like content to FILE: blocks of random
//       bytes (as in compressed textures and sounds) alternate with blocks
//       of repetitive text (as in level and script files).
//   pack_bench make-tree FOLDER FILES
//       writes FILES files of such content into FOLDER (which must not
//       exist yet), 64 KiB to 4 MiB each, small sizes commoner than large.
//   pack_bench pack stored|deflate SOURCE ARCHIVE [THREADS]
//       packs SOURCE (a file, or every file beneath a folder in name order)
//       into ARCHIVE and prints the time and the throughput. THREADS goes
//       to the writer: 0 (the default) one per core, 1 the calling thread.
//
// pack_bench.sh and pack_many_bench.sh run it under /usr/bin/time -v for the
// peak memory.

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_writer.h"

namespace {

constexpr size_t kMiB = 1024 * 1024;

// Game-like content from a fixed seed, one block at a time.
class ContentMaker {
 public:
  // Random bytes, as in compressed textures and sounds.
  void Random(std::string* block, size_t n) {
    block->resize(n);
    for (size_t j = 0; j < n; j += 8) {
      state_ ^= state_ << 13;  // xorshift64
      state_ ^= state_ >> 7;
      state_ ^= state_ << 17;
      for (size_t k = 0; k < 8 && j + k < n; ++k)
        (*block)[j + k] = static_cast<char>(state_ >> (8 * k));
    }
  }

  // Repetitive text, as in level and script files; salt varies it.
  static void Text(std::string* block, size_t n, uint64_t salt) {
    block->clear();
    for (uint64_t line = 0; block->size() < n; ++line) {
      *block += "entity " + std::to_string((line * 7919 + salt) % 5000) +
                " model props/crate_" + std::to_string(line % 13) +
                ".mdl origin " + std::to_string(line % 1024) + " 0 64\n";
    }
    block->resize(n);
  }

  uint64_t Next() {
    Random(&scratch_, 8);
    uint64_t value = 0;
    for (char c : scratch_) value = value << 8 | static_cast<unsigned char>(c);
    return value;
  }

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15u;
  std::string scratch_;
};

bool WriteAll(FILE* file, const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

int MakeSource(const char* path, long mebibytes) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "pack_bench: %s: can't create\n", path);
    return 1;
  }
  ContentMaker maker;
  std::string block;
  bool written = true;
  for (long i = 0; i < mebibytes && written; ++i) {
    if (i % 2 == 0) {
      maker.Random(&block, kMiB);
    } else {
      ContentMaker::Text(&block, kMiB, static_cast<uint64_t>(i));
    }
    written = WriteAll(file, block);
  }
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "pack_bench: %s: write failed\n", path);
    return 1;
  }
  return 0;
}

int MakeTree(const std::string& folder, long count) {
  std::error_code error;
  if (!std::filesystem::create_directory(folder, error)) {
    std::fprintf(stderr, "pack_bench: %s: can't create\n", folder.c_str());
    return 1;
  }
  constexpr size_t kBlock = 64 * 1024;
  ContentMaker maker;
  std::string block;
  uint64_t total = 0;
  for (long i = 0; i < count; ++i) {
    // 64 KiB times 2^(6u), u uniform in [0, 1): 64 KiB to 4 MiB.
    const double u = static_cast<double>(maker.Next() >> 11) / 9007199254740992.0;
    const auto size = static_cast<size_t>(kBlock * std::exp2(6 * u));
    // Each file has its own share of random blocks, from none to all.
    const uint64_t randomShare = maker.Next() % 5;  // in quarters
    char name[32];
    std::snprintf(name, sizeof name, "/asset_%05ld.bin", i);
    const std::string path = folder + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr;
    for (size_t done = 0; written && done < size; done += kBlock) {
      const size_t n = std::min(kBlock, size - done);
      if (maker.Next() % 4 < randomShare) {
        maker.Random(&block, n);
      } else {
        ContentMaker::Text(&block, n, maker.Next());
      }
      written = WriteAll(file, block);
    }
    if (file == nullptr || std::fclose(file) != 0 || !written) {
      std::fprintf(stderr, "pack_bench: %s: write failed\n", path.c_str());
      return 1;
    }
    total += size;
  }
  std::printf("%ld files, %.0f MiB\n", count,
              static_cast<double>(total) / kMiB);
  return 0;
}

int Pack(const std::string& mode, const std::string& source,
         const std::string& archive, unsigned threads) {
  namespace fs = std::filesystem;
  varnok::PackRequest request;
  request.archiveName = archive;
  request.compress = mode == "deflate";
  // Each stored name starts at the source's own name.
  const std::string sourceName = fs::path(source).filename().string();
  uint64_t bytes = 0;
  std::error_code error;
  if (fs::is_directory(source, error)) {
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
      if (!entry.is_regular_file()) continue;
      request.paths.push_back(entry.path().string());
      bytes += entry.file_size();
    }
    std::sort(request.paths.begin(), request.paths.end());
    request.basePath = sourceName + "/";
  } else {
    request.paths = {source};
    bytes = fs::file_size(source, error);
    request.basePath = sourceName;
  }

  const auto start = std::chrono::steady_clock::now();
  const varnok::Status status =
      varnok::CArchiveWriter(threads).Pack(request);
  const std::chrono::duration<double> elapsed =
      std::chrono::steady_clock::now() - start;
  if (!status.ok()) {
    std::fprintf(stderr, "pack_bench: %s\n", status.ToString().c_str());
    return 1;
  }

  const double inMiB = static_cast<double>(bytes) / kMiB;
  const double outMiB = static_cast<double>(fs::file_size(archive, error)) / kMiB;
  std::printf(
      "%-8s threads %u, %zu files, %.0f MiB, archive %.1f MiB, %.2f s, "
      "%.1f MiB/s\n",
      mode.c_str(), threads, request.paths.size(), inMiB, outMiB,
      elapsed.count(), inMiB / elapsed.count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "make-source" && argc == 4)
    return MakeSource(argv[2], std::atol(argv[3]));
  if (command == "make-tree" && argc == 4)
    return MakeTree(argv[2], std::atol(argv[3]));
  if (command == "pack" && (argc == 5 || argc == 6) &&
      (std::string(argv[2]) == "stored" || std::string(argv[2]) == "deflate")) {
    const unsigned threads =
        argc == 6 ? static_cast<unsigned>(std::atol(argv[5])) : 0;
    return Pack(argv[2], argv[3], argv[4], threads);
  }
  std::fprintf(stderr,
               "usage: pack_bench make-source FILE MIB\n"
               "       pack_bench make-tree FOLDER FILES\n"
               "       pack_bench pack stored|deflate SOURCE ARCHIVE "
               "[THREADS]\n");
  return 2;
}
