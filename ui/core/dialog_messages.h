// The texts the main dialog shows, made from what the engine and the
// scanner report. Paths in them are spelt as the platform layer spells
// paths.

#ifndef VARNOK_UI_CORE_DIALOG_MESSAGES_H_
#define VARNOK_UI_CORE_DIALOG_MESSAGES_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_writer.h"
#include "base/status.h"
#include "scan/folder_scanner.h"

namespace varnok {

// A message box's text, and the informative text below it (may be empty).
struct Message {
  std::string text;
  std::string informative;
};

// text with %1, %2, ... replaced by the arguments in turn.
std::string Substitute(std::string_view text,
                       std::initializer_list<std::string_view> arguments);

// A failure's message, with "detail: reason" below it (either may be
// missing).
Message FailureMessage(const Status& status);

// Why a pack of request failed: FailureMessage, but for names the system's
// code page can't spell, which are named all at once (NamesNotInCodePage):
// the first ten, one a line, then how many more there are.
Message PackFailureMessage(const Status& status, const PackRequest& request);

// After a scan that could not read folders: how many there were, and below
// it the first five of them with the system's reasons, one a line, then how
// many more there are.
Message UnreadableFoldersMessage(const std::vector<UnreadableFolder>& folders);

// After a pack that succeeded: "Done!", and below it the files left out as
// the archive's temporary files, when there were any: how many, then the
// first five, one a line, then how many more there are.
Message DoneMessage(const std::vector<std::string>& temporaryFiles);

// The progress window's text: "Files: 3 of 10", then "Data: 1.0 KiB of
// 2.0 MiB" on a second line (sizes as FormatSize gives them).
std::string ProgressText(const PackProgress& progress);

// The progress window's text during a scan: "Folders found: 3", then
// "Files found: 10" on a second line.
std::string ScanProgressText(const ScanProgress& progress);

// How far a progress bar of steps steps has come: by bytes, or by entries
// when there are no bytes to read. Never more than steps.
int ProgressStep(const PackProgress& progress, int steps);

}  // namespace varnok

#endif  // VARNOK_UI_CORE_DIALOG_MESSAGES_H_
