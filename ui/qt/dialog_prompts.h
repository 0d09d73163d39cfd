// The prompts a Qt user answers: the folder picker, a save-file dialog and
// message boxes with one OK button, captioned with the application's name.

#ifndef VARNOK_UI_QT_DIALOG_PROMPTS_H_
#define VARNOK_UI_QT_DIALOG_PROMPTS_H_

#include <optional>
#include <string>

#include "ui/core/prompts.h"

class QWidget;

namespace varnok {

class CDialogPrompts final : public Prompts {
 public:
  // The dialogs open over parent, which may be null.
  explicit CDialogPrompts(QWidget* parent = nullptr) : parent_(parent) {}

  bool ChooseFolder(std::string* folder) override;
  // Qt's own save dialog, so that it looks and behaves the same everywhere.
  std::optional<std::string> ChooseArchiveName() override;
  void ShowMessage(const std::string& text,
                   const std::string& informative) override;

 private:
  QWidget* parent_;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_DIALOG_PROMPTS_H_
