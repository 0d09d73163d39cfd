#include "cli/pack_progress.h"

#include <cinttypes>

namespace varnok {

namespace {

double Mebibytes(uint64_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace

std::string ProgressLine(const PackProgress& progress, double seconds) {
  const double rate =
      seconds > 0 ? Mebibytes(progress.bytesDone) / seconds : 0.0;
  char line[160];
  std::snprintf(line, sizeof line,
                "packing: %" PRIu32 "/%" PRIu32
                " entries, %.1f/%.1f MiB, %.1f MiB/s",
                progress.entriesDone, progress.entriesTotal,
                Mebibytes(progress.bytesDone), Mebibytes(progress.bytesTotal),
                rate);
  return line;
}

CPackProgress::CPackProgress(std::FILE* out) : out_(out), start_(Clock::now()) {}

bool CPackProgress::OnProgress(const PackProgress& progress) {
  last_ = progress;
  if (out_ == nullptr) return true;
  const Clock::time_point now = Clock::now();
  if (drawn_ && now - lastDrawn_ < kInterval) return true;
  const std::chrono::duration<double> elapsed = now - start_;
  // Carriage return and erase-line: the new line replaces the old.
  std::fprintf(out_, "\r\033[K%s", ProgressLine(progress, elapsed.count()).c_str());
  std::fflush(out_);
  lastDrawn_ = now;
  drawn_ = true;
  return true;
}

void CPackProgress::Finish() {
  if (out_ == nullptr || !drawn_) return;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
  drawn_ = false;
}

}  // namespace varnok
