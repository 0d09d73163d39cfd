#include "ui/core/dialog_messages.h"

#include <algorithm>

#include "base/messages.h"
#include "base/sizes.h"

namespace varnok {
namespace {

// Lines that a message names one by one.
constexpr size_t kLinesShown = 5;

// The first shown lines, one a line, then how many more there are.
std::string FirstLines(const std::vector<std::string>& lines, size_t shown) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < shown; ++i) {
    if (i != 0) text += '\n';
    text += lines[i];
  }
  if (lines.size() > shown) {
    text += '\n' + Substitute(messages::kAndMore,
                              {std::to_string(lines.size() - shown)});
  }
  return text;
}

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
  std::vector<std::string> lines;
  for (const UnreadableFolder& folder : folders) {
    lines.push_back(folder.path + ": " + folder.reason);
  }
  message.informative = FirstLines(lines, kLinesShown);
  return message;
}

Message DoneMessage(const std::vector<std::string>& temporaryFiles) {
  Message message{messages::kDone, {}};
  if (temporaryFiles.empty()) return message;
  message.informative =
      (temporaryFiles.size() == 1
           ? std::string(messages::kLeftOutTemporaryFile)
           : Substitute(messages::kLeftOutTemporaryFiles,
                        {std::to_string(temporaryFiles.size())})) +
      '\n' + FirstLines(temporaryFiles, kLinesShown);
  return message;
}

Message PackFailureMessage(const Status& status, const PackRequest& request) {
  if (status.message() == messages::kNotInCodePage) {
    const std::vector<std::string> names = NamesNotInCodePage(request);
    if (!names.empty()) {
      return {messages::kNotInCodePage, FirstLines(names, kNamesShown)};
    }
  }
  return FailureMessage(status);
}

std::string ProgressText(const PackProgress& progress) {
  return Substitute(messages::kPackProgress,
                    {std::to_string(progress.entriesDone),
                     std::to_string(progress.entriesTotal),
                     FormatSize(progress.bytesDone),
                     FormatSize(progress.bytesTotal)});
}

std::string ScanProgressText(const ScanProgress& progress) {
  return Substitute(messages::kScanProgress,
                    {std::to_string(progress.folders),
                     std::to_string(progress.files)});
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
