// Measures the pack engine on one large file.
//
//   pack_bench make-source FILE MIB
//       writes MIB mebibytes of game-like content to FILE: blocks of random
//       bytes (as in compressed textures and sounds) alternate with blocks
//       of repetitive text (as in level and script files).
//   pack_bench pack stored|deflate SOURCE ARCHIVE
//       packs SOURCE into ARCHIVE and prints the time and the throughput.
//
// pack_bench.sh runs both modes under /usr/bin/time -v for the peak memory.

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/archive_writer.h"

namespace {

constexpr size_t kMiB = 1024 * 1024;

int MakeSource(const char* path, long mebibytes) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "pack_bench: %s: can't create\n", path);
    return 1;
  }
  std::string block(kMiB, '\0');
  uint64_t state = 0x9E3779B97F4A7C15u;  // xorshift64
  for (long i = 0; i < mebibytes; ++i) {
    if (i % 2 == 0) {
      for (size_t j = 0; j < block.size(); j += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        for (size_t k = 0; k < 8; ++k)
          block[j + k] = static_cast<char>(state >> (8 * k));
      }
    } else {
      block.clear();
      for (uint64_t line = 0; block.size() < kMiB; ++line) {
        block +=
            "entity " +
            std::to_string((line * 7919 + static_cast<uint64_t>(i)) % 5000) +
            " model props/crate_" + std::to_string(line % 13) + ".mdl origin " +
            std::to_string(line % 1024) + " 0 64\n";
      }
      block.resize(kMiB);
    }
    if (std::fwrite(block.data(), 1, block.size(), file) != block.size()) {
      std::fprintf(stderr, "pack_bench: %s: write failed\n", path);
      std::fclose(file);
      return 1;
    }
  }
  if (std::fclose(file) != 0) {
    std::fprintf(stderr, "pack_bench: %s: write failed\n", path);
    return 1;
  }
  return 0;
}

int Pack(const std::string& mode, const std::string& source,
         const std::string& archive) {
  varnok::PackRequest request;
  request.paths = {source};
  request.archiveName = archive;
  // The stored name is the file's own name.
  request.basePath = source.substr(source.rfind('/') + 1);
  request.compress = mode == "deflate";

  const auto start = std::chrono::steady_clock::now();
  const varnok::Status status = varnok::CArchiveWriter().Pack(request);
  const std::chrono::duration<double> elapsed =
      std::chrono::steady_clock::now() - start;
  if (!status.ok()) {
    std::fprintf(stderr, "pack_bench: %s\n", status.ToString().c_str());
    return 1;
  }

  struct stat in, out;
  if (::stat(source.c_str(), &in) != 0 || ::stat(archive.c_str(), &out) != 0)
    return 1;
  const double inMiB = static_cast<double>(in.st_size) / kMiB;
  std::printf("%-8s source %.0f MiB, archive %.1f MiB, %.2f s, %.1f MiB/s\n",
              mode.c_str(), inMiB, static_cast<double>(out.st_size) / kMiB,
              elapsed.count(), inMiB / elapsed.count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "make-source" && argc == 4)
    return MakeSource(argv[2], std::atol(argv[3]));
  if (command == "pack" && argc == 5 &&
      (std::string(argv[2]) == "stored" || std::string(argv[2]) == "deflate")) {
    return Pack(argv[2], argv[3], argv[4]);
  }
  std::fprintf(stderr,
               "usage: pack_bench make-source FILE MIB\n"
               "       pack_bench pack stored|deflate SOURCE ARCHIVE\n");
  return 2;
}
