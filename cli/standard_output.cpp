#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/status.h"
#include "cli/command.h"

namespace varnok {

void StandardOutput::NoteFailure() {
  if (failure_.empty()) {
    failure_ = errno != 0 ? std::strerror(errno) : "Input/output error";
  }
}

void StandardOutput::Print(std::string_view text) {
  if (!failure_.empty() || text.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    NoteFailure();
  }
}

bool StandardOutput::Finish() {
  errno = 0;
  if (failure_.empty() && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
    NoteFailure();
  }
  if (failure_.empty()) return true;
  PrintError(Status::IoError(messages::kCantWriteOutput, {}, failure_));
  return false;
}

}  // namespace varnok
