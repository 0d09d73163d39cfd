#include "cli/pack_progress.h"

#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/escape.h"
#include "base/sizes.h"
#include "cli/command.h"
#include "platform/console.h"

namespace varnok {
namespace {

// Columns assumed when the terminal does not say.
constexpr size_t kDefaultColumns = 80;

// Carriage return and erase-line: the cursor goes back to the line's start
// and the line is blank.
constexpr char kClearLine[] = "\r\033[K";

}  // namespace

std::string ProgressLine(const PackProgress& progress, double seconds,
                         size_t width) {
  const double rate =
      seconds > 0 ? static_cast<double>(progress.bytesDone) / seconds : 0.0;
  const std::string parts[] = {
      "packing: " + std::to_string(progress.entriesDone) + "/" +
          std::to_string(progress.entriesTotal) + " entries",
      FormatSize(progress.bytesDone) + " of " +
          FormatSize(progress.bytesTotal),
      FormatSize(static_cast<uint64_t>(rate)) + "/s",
  };
  std::string line = parts[0];
  for (size_t i = 1; i < std::size(parts); ++i) {
    if (width != 0 && line.size() + 2 + parts[i].size() > width) break;
    line += ", " + parts[i];
  }
  if (width != 0 && line.size() > width) line.resize(width);
  return line;
}

bool CanShowProgress() {
  const char* term = std::getenv("TERM");
  return StandardErrorIsTerminal() &&
         (term == nullptr || std::strcmp(term, "dumb") != 0);
}

CPackProgress::CPackProgress(std::FILE* out, std::function<size_t()> columns,
                             std::function<Clock::time_point()> now)
    : columns_(columns ? std::move(columns) : StandardErrorColumns),
      now_(now ? std::move(now) : Clock::now),
      out_(out),
      start_(now_()) {}

bool CPackProgress::OnProgress(const PackProgress& progress) {
  if (names_ != nullptr && progress.entriesDone > last_.entriesDone) {
    Finish();
    for (uint32_t i = last_.entriesDone; i < progress.entriesDone; ++i) {
      // The writer reports after each entry, so a reuse is this one's.
      const bool reused = progress.entriesReused > last_.entriesReused;
      PrintNote(std::string(reused ? messages::kReused : messages::kPacked) +
                ": " + EscapeName((*names_)[i]));
    }
  }
  last_ = progress;
  if (out_ == nullptr) return true;
  const Clock::time_point now = now_();
  if (drawn_ && now - lastDrawn_ < kInterval) return true;
  const std::chrono::duration<double> elapsed = now - start_;
  size_t columns = columns_();
  if (columns == 0) columns = kDefaultColumns;
  // The last column stays free: a terminal may wrap a line that fills it.
  const std::string line = ProgressLine(progress, elapsed.count(), columns - 1);
  std::fprintf(out_, "%s%s", kClearLine, line.c_str());
  std::fflush(out_);
  lastDrawn_ = now;
  drawn_ = true;
  return true;
}

void CPackProgress::Finish() {
  if (out_ == nullptr || !drawn_) return;
  std::fputs(kClearLine, out_);
  std::fflush(out_);
  drawn_ = false;
}

}  // namespace varnok
