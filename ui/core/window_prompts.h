// The modal questions and messages of the archive window.
//
// The window asks through this interface so that a test can answer in the
// user's place; each face has the one a user answers. Paths and texts are
// spelt as the platform layer spells paths.

#ifndef VARNOK_UI_CORE_WINDOW_PROMPTS_H_
#define VARNOK_UI_CORE_WINDOW_PROMPTS_H_

#include <optional>
#include <string>

#include "ui/core/dialog_messages.h"
#include "ui/core/entry_runs.h"

namespace varnok {

class WindowPrompts {
 public:
  virtual ~WindowPrompts() = default;

  // Asks for an archive to open (window_messages::kOpenTitle, kOpenFilter).
  // The chosen file's full path, or nothing when the user gave up.
  virtual std::optional<std::string> ChooseArchiveToOpen() = 0;
  // Runs the folder picker, the packing dialog's. True when the user
  // confirmed a folder, whose full path is then in *folder; otherwise
  // *folder is untouched.
  virtual bool ChooseFolder(std::string* folder) = 0;
  // Asks question (ExistingQuestion) with the buttons kReplaceButton,
  // kKeepButton and kCancelButton of window_messages.h; Escape and the
  // close box answer kCancel.
  virtual ExistingAnswer AskExisting(const Message& question) = 0;
  // Asks question (AddQuestion, DeleteQuestion) with two buttons: action
  // (kAddButton or kDeleteButton of window_messages.h), the default, and
  // kCancelButton; Escape and the close box answer Cancel. True for action.
  virtual bool Confirm(const Message& question, const char* action) = 0;
  // Shows text, with informative below it when that is not empty, in a box
  // with one OK button captioned with the program's name, until the user
  // presses OK.
  virtual void ShowMessage(const std::string& text,
                           const std::string& informative) = 0;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_WINDOW_PROMPTS_H_
