// Times a scan of a generated tree against `find DIR -type f`.
//
// Usage: scan_bench [--runs N] [PARENT]
// Builds 100,000 empty files in 1,000 folders (100 folders with 9 subfolders
// each) in a fresh folder under PARENT (default: the temporary folder), warms
// the cache, then times each contender N times (default 7) and prints the
// medians of wall-clock and CPU time and their ratios to find's. The tree is
// removed at the end.
//
// ListFilesToPack is what `kzf pack` runs; "scan with details" is the same
// scan with every result's size, times and attributes read as well, which
// costs one status call per file.

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scan/folder_scanner.h"
#include "scan/pack_list.h"

extern char** environ;

namespace varnok {
namespace {

constexpr int kTopFolders = 100;
constexpr int kSubfoldersEach = 9;
constexpr int kFilesPerFolder = 100;
constexpr size_t kFolderCount = kTopFolders * (1 + kSubfoldersEach);
constexpr size_t kFileCount = kFolderCount * kFilesPerFolder;

bool MakeFiles(const std::string& folder) {
  if (mkdir(folder.c_str(), 0755) != 0) return false;
  char name[32];
  for (int i = 0; i < kFilesPerFolder; ++i) {
    std::snprintf(name, sizeof name, i % 2 ? "/Asset_%03d.DDS" : "/asset_%03d.bin",
                  i);
    const int fd = open((folder + name).c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0) return false;
    close(fd);
  }
  return true;
}

bool MakeTree(const std::string& root) {
  char name[32];
  for (int top = 0; top < kTopFolders; ++top) {
    std::snprintf(name, sizeof name, "/Set%02d", top);
    const std::string folder = root + name;
    if (!MakeFiles(folder)) return false;
    for (int sub = 0; sub < kSubfoldersEach; ++sub) {
      std::snprintf(name, sizeof name, "/level%d", sub);
      // Every third subfolder one level deeper, so the tree is not flat.
      std::string path = folder + name;
      if (sub % 3 == 2) {
        path = folder + "/level" + std::to_string(sub - 1) + name;
      }
      if (!MakeFiles(path)) return false;
    }
  }
  return true;
}

// Wall-clock and CPU (user + system) time of one run, in milliseconds.
struct Timing {
  double wall = 0;
  double cpu = 0;
};

double Milliseconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1e3 +
         static_cast<double>(t.tv_usec) / 1e3;
}

double CpuMilliseconds(const rusage& usage) {
  return Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
}

double Since(std::chrono::steady_clock::time_point start) {
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  return elapsed.count();
}

// Times `find root -type f` with its output thrown away. The CPU time is the
// child's own.
bool TimeFind(const std::string& root, Timing* timing) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  std::string program = "find", type = "-type", f = "f", path = root;
  char* argv[] = {program.data(), path.data(), type.data(), f.data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t child;
  const int error =
      posix_spawnp(&child, "find", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  timing->wall = Since(start);
  timing->cpu = CpuMilliseconds(usage);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Times work in this process and returns what it returned.
size_t Time(const std::function<size_t()>& work, Timing* timing) {
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  const size_t result = work();
  timing->wall = Since(start);
  getrusage(RUSAGE_SELF, &after);
  timing->cpu = CpuMilliseconds(after) - CpuMilliseconds(before);
  return result;
}

// The dialog's scan, results kept with all their details.
size_t ScanWithDetails(const std::string& root) {
  CFolderScanner scanner;
  scanner.ClearFolders();
  scanner.SetRoot(root, true);
  scanner.ClearFoundFiles();
  scanner.FindFiles("*.*", true, false);
  return scanner.foundFiles().size();
}

size_t ListFiles(const std::string& root) {
  return ListFilesToPack(root).paths.size();
}

Timing Median(std::vector<Timing> timings) {
  Timing median;
  const size_t middle = timings.size() / 2;
  std::sort(timings.begin(), timings.end(),
            [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
  median.wall = timings[middle].wall;
  std::sort(timings.begin(), timings.end(),
            [](const Timing& a, const Timing& b) { return a.cpu < b.cpu; });
  median.cpu = timings[middle].cpu;
  return median;
}

int Run(int argc, char** argv) {
  int runs = 7;
  std::string parent = std::filesystem::temp_directory_path().string();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      parent = arg;
    }
  }

  std::string root = parent + "/varnok-scan-bench-XXXXXX";
  if (mkdtemp(root.data()) == nullptr) {
    std::perror("scan_bench: mkdtemp");
    return 1;
  }
  std::printf("generating %zu files in %zu folders under %s\n", kFileCount,
              kFolderCount, root.c_str());
  int status = 0;
  Timing warm;
  if (!MakeTree(root)) {
    std::perror("scan_bench: creating the tree");
    status = 1;
  } else if (!TimeFind(root, &warm) ||
             Time([&] { return ScanWithDetails(root); }, &warm) != kFileCount ||
             Time([&] { return ListFiles(root); }, &warm) != kFileCount) {
    std::fprintf(stderr, "scan_bench: warm-up found the wrong tree\n");
    status = 1;
  } else {
    std::vector<Timing> find(runs), scan(runs), list(runs);
    for (int i = 0; i < runs; ++i) {
      TimeFind(root, &find[i]);
      Time([&] { return ScanWithDetails(root); }, &scan[i]);
      Time([&] { return ListFiles(root); }, &list[i]);
    }
    const Timing base = Median(find);
    std::printf("median of %d runs         wall ms   ratio   cpu ms   ratio\n",
                runs);
    auto print = [&](const char* name, const Timing& t) {
      std::printf("  %-22s %8.1f %6.2fx %8.1f %6.2fx\n", name, t.wall,
                  t.wall / base.wall, t.cpu, t.cpu / base.cpu);
    };
    print("find DIR -type f", base);
    print("ListFilesToPack", Median(list));
    print("scan with details", Median(scan));
  }
  std::error_code error;
  std::filesystem::remove_all(root, error);
  return status;
}

}  // namespace
}  // namespace varnok

int main(int argc, char** argv) { return varnok::Run(argc, argv); }
