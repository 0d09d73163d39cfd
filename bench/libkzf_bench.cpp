// Times libkzf and the kzf archiver in PhysFS (bench/README.md):
//
//   libkzf_bench open ARCHIVE      opens ARCHIVE (kzf_open) and finds each of
//                                  its names once (kzf_find), in random order
//   libkzf_bench read KZF ZIP      reads every entry of KZF whole, in random
//                                  order: through libkzf (kzf_find and
//                                  kzf_read), through PhysFS with the kzf
//                                  archiver, and through PhysFS's own zip
//                                  archiver from ZIP, a zip of the same tree
//
// Each figure is the median of several runs, taken in turn so that none
// always runs first; the files are read once before, so the page cache
// holds them. The reads are timed in CPU time (user and system, of this
// single-threaded process) as well as in wall time: on a shared machine
// the other processes' load disturbs the first much less, so the targets
// are judged on it.

#include <physfs.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "kzf.h"
#include "kzf_physfs.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "libkzf_bench: %s\n", what.c_str());
  std::exit(1);
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The CPU time this process has used, in seconds.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Reads the file at path to its end, so that the page cache holds it.
void Warm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
  }
}

kzf_archive* Open(const std::string& path) {
  kzf_archive* archive = nullptr;
  if (kzf_open(path.c_str(), &archive) != KZF_OK) Die(kzf_error_message());
  return archive;
}

// The archive's names with their sizes, in a random order that is the same
// on every run.
struct Entry {
  std::string name;
  uint32_t size;
};
std::vector<Entry> ShuffledEntries(kzf_archive* archive) {
  std::vector<Entry> entries;
  for (uint32_t i = 0; i < kzf_count(archive); ++i) {
    kzf_entry info;
    if (kzf_entry_info(archive, i, &info) != KZF_OK) Die(kzf_error_message());
    entries.push_back({info.name, info.size});
  }
  std::shuffle(entries.begin(), entries.end(), std::mt19937(20261208));
  return entries;
}

int OpenBench(const std::string& path) {
  Warm(path);
  std::vector<double> opens, finds;
  std::vector<Entry> entries;
  for (int run = 0; run < 9; ++run) {
    const Clock::time_point start = Clock::now();
    kzf_archive* archive = Open(path);
    opens.push_back(Seconds(start));
    if (entries.empty()) entries = ShuffledEntries(archive);
    const Clock::time_point found = Clock::now();
    for (const Entry& entry : entries) {
      uint32_t index;
      if (kzf_find(archive, entry.name.c_str(), &index) != KZF_OK) {
        Die(kzf_error_message());
      }
    }
    finds.push_back(Seconds(found) / static_cast<double>(entries.size()));
    kzf_close(archive);
  }
  std::printf("open %zu entries: %.2f ms (target < 20 ms: %s)\n",
              entries.size(), Median(opens) * 1e3,
              Median(opens) < 0.020 ? "PASS" : "FAIL");
  std::printf("find a name: %.3f us on average (target < 1 us: %s)\n",
              Median(finds) * 1e6, Median(finds) < 1e-6 ? "PASS" : "FAIL");
  return 0;
}

// One way of reading every entry: the bytes it read.
using Reader = std::function<uint64_t(const std::vector<Entry>&)>;

uint64_t ReadThroughLibrary(kzf_archive* archive,
                            const std::vector<Entry>& entries) {
  std::vector<char> buffer;
  uint64_t total = 0;
  for (const Entry& entry : entries) {
    uint32_t index;
    buffer.resize(entry.size);
    if (kzf_find(archive, entry.name.c_str(), &index) != KZF_OK ||
        kzf_read(archive, index, buffer.data(), buffer.size()) != KZF_OK) {
      Die(kzf_error_message());
    }
    total += entry.size;
  }
  return total;
}

uint64_t ReadThroughPhysfs(const std::vector<Entry>& entries) {
  std::vector<char> buffer;
  uint64_t total = 0;
  for (const Entry& entry : entries) {
    PHYSFS_File* file = PHYSFS_openRead(entry.name.c_str());
    if (file == nullptr) {
      Die(entry.name + ": " +
          PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
    }
    buffer.resize(static_cast<size_t>(PHYSFS_fileLength(file)));
    if (PHYSFS_readBytes(file, buffer.data(), buffer.size()) !=
        static_cast<PHYSFS_sint64>(buffer.size())) {
      Die(entry.name + ": " +
          PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
    }
    PHYSFS_close(file);
    total += buffer.size();
  }
  return total;
}

// Mounts path alone for the reads, then takes it away again.
Reader PhysfsReader(const std::string& path) {
  return [path](const std::vector<Entry>& entries) {
    if (!PHYSFS_mount(path.c_str(), nullptr, 1)) {
      Die(path + ": " + PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
    }
    const uint64_t total = ReadThroughPhysfs(entries);
    PHYSFS_unmount(path.c_str());
    return total;
  };
}

int ReadBench(const std::string& kzfPath, const std::string& zipPath) {
  if (!PHYSFS_init(nullptr) || !kzf_physfs_register()) {
    Die(PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
  }
  Warm(kzfPath);
  Warm(zipPath);
  kzf_archive* archive = Open(kzfPath);
  const std::vector<Entry> entries = ShuffledEntries(archive);
  const std::vector<std::pair<std::string, Reader>> readers = {
      {"libkzf", [archive](const std::vector<Entry>& all) {
         return ReadThroughLibrary(archive, all);
       }},
      {"PhysFS, kzf archiver", PhysfsReader(kzfPath)},
      {"PhysFS, zip archiver", PhysfsReader(zipPath)}};
  std::vector<std::vector<double>> walls(readers.size());
  std::vector<std::vector<double>> cpus(readers.size());
  uint64_t bytes = 0;
  for (int run = 0; run < 9; ++run) {
    for (size_t i = 0; i < readers.size(); ++i) {
      const size_t which = (i + static_cast<size_t>(run)) % readers.size();
      const Clock::time_point start = Clock::now();
      const double cpu = CpuSeconds();
      const uint64_t total = readers[which].second(entries);
      cpus[which].push_back(CpuSeconds() - cpu);
      walls[which].push_back(Seconds(start));
      if (bytes != 0 && total != bytes) Die("the readers read different sizes");
      bytes = total;
    }
  }
  const double zip = Median(cpus.back());
  std::printf("%-22s %8s %8s %10s  %s\n", "", "wall ms", "CPU ms",
              "CPU MiB/s", "CPU time / zip's");
  for (size_t i = 0; i < readers.size(); ++i) {
    const double cpu = Median(cpus[i]);
    std::printf("%-22s %8.1f %8.1f %10.0f  %.2f%s\n", readers[i].first.c_str(),
                Median(walls[i]) * 1e3, cpu * 1e3,
                static_cast<double>(bytes) / cpu / (1 << 20), cpu / zip,
                i + 1 == readers.size() ? ""
                : cpu <= zip            ? " (target <= 1: PASS)"
                                        : " (target <= 1: FAIL)");
  }
  kzf_close(archive);
  PHYSFS_deinit();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "open") return OpenBench(args[1]);
  if (args.size() == 3 && args[0] == "read") {
    return ReadBench(args[1], args[2]);
  }
  std::fprintf(stderr,
               "usage: libkzf_bench open ARCHIVE\n"
               "       libkzf_bench read KZF ZIP\n");
  return 2;
}
