// The modal questions and messages of the main dialog.
//
// The dialog asks the user through this interface so that a test can answer
// in the user's place. CDialogPrompts is the one the program uses.

#ifndef VARNOK_UI_PROMPTS_H_
#define VARNOK_UI_PROMPTS_H_

#include <optional>

#include <QString>

class QWidget;

namespace varnok {

class Prompts {
 public:
  virtual ~Prompts() = default;

  // Runs the folder picker. True when the user confirmed a folder, whose
  // full path is then in *folderPath; otherwise *folderPath is untouched.
  virtual bool ChooseFolder(QWidget* parent, QString* folderPath) = 0;

  // Asks where the archive goes. The chosen file's full path, or nothing
  // when the user gave up.
  virtual std::optional<QString> ChooseArchiveName(QWidget* parent) = 0;

  // Shows text, with informative below it when that is not empty, until the
  // user presses OK.
  virtual void ShowMessage(QWidget* parent, const QString& text,
                           const QString& informative) = 0;
};

// The prompts a user answers: the folder picker, a save-file dialog and
// message boxes with one OK button, captioned with the application's name.
class CDialogPrompts final : public Prompts {
 public:
  bool ChooseFolder(QWidget* parent, QString* folderPath) override;
  // Save mode, default suffix "kzf", filter "Kzf file(*.kzf)", and no
  // question when the file exists.
  std::optional<QString> ChooseArchiveName(QWidget* parent) override;
  void ShowMessage(QWidget* parent, const QString& text,
                   const QString& informative) override;
};

}  // namespace varnok

#endif  // VARNOK_UI_PROMPTS_H_
