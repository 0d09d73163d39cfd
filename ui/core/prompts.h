// The modal questions and messages of the main dialog.
//
// The dialog asks the user through this interface so that a test can answer
// in the user's place; each face has the one a user answers (its
// CDialogPrompts). Paths are spelt as the platform layer spells them
// (platform/file_system.h), and so are the texts, which may hold paths.

#ifndef VARNOK_UI_CORE_PROMPTS_H_
#define VARNOK_UI_CORE_PROMPTS_H_

#include <optional>
#include <string>

namespace varnok {

class Prompts {
 public:
  virtual ~Prompts() = default;

  // Runs the folder picker. True when the user confirmed a folder, whose
  // full path is then in *folder; otherwise *folder is untouched.
  virtual bool ChooseFolder(std::string* folder) = 0;

  // Asks where the archive goes: save mode, default extension "kzf", filter
  // "Kzf file(*.kzf)", and no question when the file exists. The chosen
  // file's full path, or nothing when the user gave up.
  virtual std::optional<std::string> ChooseArchiveName() = 0;

  // Shows text, with informative below it when that is not empty, in a box
  // with one OK button captioned with the program's name, until the user
  // presses OK.
  virtual void ShowMessage(const std::string& text,
                           const std::string& informative) = 0;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_PROMPTS_H_
