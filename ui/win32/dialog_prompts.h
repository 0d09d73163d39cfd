// The main dialog's questions as the system asks them: the folder picker,
// the save dialog and message boxes, owned by the main dialog's window.

#ifndef VARNOK_UI_WIN32_DIALOG_PROMPTS_H_
#define VARNOK_UI_WIN32_DIALOG_PROMPTS_H_

#include <windows.h>

#include <optional>
#include <string>

#include "ui/core/prompts.h"

namespace varnok {

class CDialogPrompts final : public Prompts {
 public:
  // The window that owns the questions; none until it is set.
  void SetOwner(HWND owner) { owner_ = owner; }

  bool ChooseFolder(std::string* folder) override;
  std::optional<std::string> ChooseArchiveName() override;
  void ShowMessage(const std::string& text,
                   const std::string& informative) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_DIALOG_PROMPTS_H_
