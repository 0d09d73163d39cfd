#include "ui/core/dialog_messages.h"

#include <algorithm>

#include "base/messages.h"
#include "base/sizes.h"

namespace varnok {
namespace {

// Unreadable folders that the message after a scan names one by one.
constexpr size_t kUnreadableFoldersShown = 5;

}  // namespace

std::string Substitute(std::string_view text,
                       std::initializer_list<std::string_view> arguments) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const size_t number = static_cast<size_t>(next - '0');
    if (text[i] == '%' && next >= '1' && next <= '9' &&
        number <= arguments.size()) {
      result += arguments.begin()[number - 1];
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

Message FailureMessage(const Status& status) {
  Message message{status.message(), status.detail()};
  if (!status.reason().empty()) {
    if (!message.informative.empty()) message.informative += ": ";
    message.informative += status.reason();
  }
  return message;
}

Message UnreadableFoldersMessage(
    const std::vector<UnreadableFolder>& folders) {
  Message message;
  message.text =
      folders.size() == 1
          ? std::string(messages::kUnreadableFolder)
          : Substitute(messages::kUnreadableFolders,
                       {std::to_string(folders.size())});
  for (size_t i = 0; i < folders.size() && i < kUnreadableFoldersShown; ++i) {
    if (i != 0) message.informative += '\n';
    message.informative += folders[i].path + ": " + folders[i].reason;
  }
  if (folders.size() > kUnreadableFoldersShown) {
    message.informative +=
        '\n' + Substitute(messages::kMoreUnreadableFolders,
                          {std::to_string(folders.size() -
                                          kUnreadableFoldersShown)});
  }
  return message;
}

std::string ProgressText(const PackProgress& progress) {
  return Substitute(messages::kPackProgress,
                    {std::to_string(progress.entriesDone),
                     std::to_string(progress.entriesTotal),
                     FormatSize(progress.bytesDone),
                     FormatSize(progress.bytesTotal)});
}

int ProgressStep(const PackProgress& progress, int steps) {
  uint64_t done = progress.bytesDone;
  uint64_t total = progress.bytesTotal;
  if (total == 0) {
    done = progress.entriesDone;
    total = progress.entriesTotal;
  }
  if (total == 0 || steps <= 0) return 0;
  // Done and total are at most 2^64 - 1; a long double keeps the ratio.
  const long double ratio = static_cast<long double>(std::min(done, total)) /
                            static_cast<long double>(total);
  return static_cast<int>(ratio * steps);
}

}  // namespace varnok
