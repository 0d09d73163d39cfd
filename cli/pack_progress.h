// Shows a running pack's progress on a terminal: one line on stderr,
// redrawn at most ten times a second, cleared when the pack ends.

#ifndef VARNOK_CLI_PACK_PROGRESS_H_
#define VARNOK_CLI_PACK_PROGRESS_H_

#include <chrono>
#include <cstdio>
#include <string>

#include "archive/archive_writer.h"

namespace varnok {

// The progress line after seconds of packing, e.g.
// "packing: 12/300 entries, 4.5/120.0 MiB, 38.2 MiB/s".
std::string ProgressLine(const PackProgress& progress, double seconds);

class CPackProgress : public PackObserver {
 public:
  // out: the terminal to draw on; null draws nothing.
  explicit CPackProgress(std::FILE* out);

  // Keeps the report and redraws the line when it is due. Never cancels.
  bool OnProgress(const PackProgress& progress) override;
  // Clears the line, if one is drawn.
  void Finish();

  // The latest report: after a run, its totals.
  const PackProgress& last() const { return last_; }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{100};

  std::FILE* const out_;
  const Clock::time_point start_;
  Clock::time_point lastDrawn_;
  bool drawn_ = false;
  PackProgress last_;
};

}  // namespace varnok

#endif  // VARNOK_CLI_PACK_PROGRESS_H_
