// Shows a running pack's progress on a terminal: one line on stderr, never
// wider than the terminal, redrawn at most ten times a second and cleared
// when the pack ends. When asked, it also names each entry once it is
// packed, on a line of its own, above the progress line.

#ifndef VARNOK_CLI_PACK_PROGRESS_H_
#define VARNOK_CLI_PACK_PROGRESS_H_

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_writer.h"

namespace varnok {

// The progress line after seconds of packing, in the summary's units, e.g.
// "packing: 12/300 entries, 4.5 MiB of 120.0 MiB, 38.2 MiB/s". When it must
// fit in fewer than width columns, its last parts go first, then the rest is
// cut; width 0 sets no limit.
std::string ProgressLine(const PackProgress& progress, double seconds,
                         size_t width = 0);

// True when standard error is a terminal that can redraw a line: not one
// whose TERM says it can't move the cursor ("dumb").
bool CanShowProgress();

class CPackProgress : public PackObserver {
 public:
  using Clock = std::chrono::steady_clock;

  // out: the terminal to draw on; null draws nothing. columns: the
  // terminal's width now (0 when unknown: 80 is assumed). now: the time
  // now, Clock's unless given.
  explicit CPackProgress(std::FILE* out,
                         std::function<size_t()> columns = nullptr,
                         std::function<Clock::time_point()> now = nullptr);

  // Names each entry as it is done, as "kzf: Packed: NAME" (or "Reused:")
  // on stderr; names holds the stored names in entry order and must outlive
  // the run.
  void NameEntries(const std::vector<std::string>* names) { names_ = names; }

  // Keeps the report, names what is done and redraws the line when it is
  // due. Never cancels.
  bool OnProgress(const PackProgress& progress) override;
  // Clears the line, if one is drawn.
  void Finish();

  // The latest report: after a run, its totals.
  const PackProgress& last() const { return last_; }

 private:
  static constexpr std::chrono::milliseconds kInterval{100};

  const std::function<size_t()> columns_;
  const std::function<Clock::time_point()> now_;
  std::FILE* const out_;
  const Clock::time_point start_;
  Clock::time_point lastDrawn_;
  bool drawn_ = false;
  const std::vector<std::string>* names_ = nullptr;
  PackProgress last_;
};

}  // namespace varnok

#endif  // VARNOK_CLI_PACK_PROGRESS_H_
