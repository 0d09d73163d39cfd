#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/status.h"
#include "cli/command.h"
#include "platform/console.h"

namespace varnok {

void StandardOutput::Print(std::string_view text) {
  if (!failure_.empty() || text.empty()) return;
  std::string reason;
  if (!WriteText(StandardStream::kOutput, text, &reason)) {
    failure_ = reason.empty() ? messages::kInputOutputError : reason;
  }
}

bool StandardOutput::Finish() {
  errno = 0;
  if (failure_.empty() && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
    failure_ = errno != 0 ? std::strerror(errno) : messages::kInputOutputError;
  }
  if (failure_.empty()) return true;
  PrintError(Status::IoError(messages::kCantWriteOutput, {}, failure_));
  return false;
}

}  // namespace varnok
