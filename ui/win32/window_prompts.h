// The archive window's questions as the system asks them: the open dialog,
// the packing dialog's folder picker, a task dialog for files in the way
// and message boxes, owned by a window.

#ifndef VARNOK_UI_WIN32_WINDOW_PROMPTS_H_
#define VARNOK_UI_WIN32_WINDOW_PROMPTS_H_


#include <windows.h>
#include <optional>
#include <string>

#include "ui/core/window_prompts.h"

namespace varnok {

// Shows text, with informative below it after an empty line, in a message
// box with OK, captioned with the program's name, owned by owner (may be
// null), until the user presses OK.
void ShowMessageBox(HWND owner, const std::string& text,
                    const std::string& informative);

// A file filter spelt "Label (*.a *.b);;Other (*)" as the open dialog takes
// one: each label, then its patterns separated by ';', each ended by a
// zero, the whole ended by a second zero.
std::wstring OpenDialogFilter(const std::string& filter);

class CWin32WindowPrompts final : public WindowPrompts {
 public:
  // owner may be null.
  explicit CWin32WindowPrompts(HWND owner) : owner_(owner) {}

  std::optional<std::string> ChooseArchiveToOpen() override;
  bool ChooseFolder(std::string* folder) override;
  ExistingAnswer AskExisting(const Message& question) override;
  bool Confirm(const Message& question, const char* action) override;
  void ShowMessage(const std::string& text,
                   const std::string& informative) override;

 private:
  HWND owner_;
};

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_WINDOW_PROMPTS_H_
