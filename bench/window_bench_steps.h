// What the archive window's benchmarks share, on Qt and on Win32: the
// archive of the format's most entries they open, and the median of a
// step's runs.

#ifndef VARNOK_BENCH_WINDOW_BENCH_STEPS_H_
#define VARNOK_BENCH_WINDOW_BENCH_STEPS_H_

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_writer.h"

namespace varnok::bench {

using Clock = std::chrono::steady_clock;

// Packs kMaxEntries names of a game's text files, each the same 1.5 KB
// source file, into archive.
inline bool MakeArchive(const std::string& archive) {
  const std::string source = archive + ".source.txt";
  {
    std::ofstream out(source);
    for (int line = 0; line < 60; ++line) out << "line of the level script\n";
  }
  varnok::PackRequest request;
  request.archiveName = archive;
  request.compress = true;
  for (uint32_t i = 0; i < varnok::kMaxEntries; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "data/levels/level_%02u/part_%05u.%s",
                  i / 1000, i, i % 3 == 0 ? "txt" : "lua");
    request.paths.push_back(source);
    request.names.push_back(name);
  }
  varnok::CArchiveWriter writer;
  const varnok::Status status = writer.Pack(request);
  std::filesystem::remove(source);
  if (!status.ok()) {
    std::fprintf(stderr, "window_bench: %s\n", status.ToString().c_str());
  }
  return status.ok();
}

// The median of five runs of step, in milliseconds.
inline double MedianMs(const std::function<void()>& step) {
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    const Clock::time_point start = Clock::now();
    step();
    times.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[2];
}

}  // namespace varnok::bench

#endif  // VARNOK_BENCH_WINDOW_BENCH_STEPS_H_
