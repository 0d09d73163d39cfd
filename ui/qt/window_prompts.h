// The archive window's prompts a Qt user answers: Qt's open-file dialog and
// message boxes with one OK button, captioned with the application's name.

#ifndef VARNOK_UI_QT_WINDOW_PROMPTS_H_
#define VARNOK_UI_QT_WINDOW_PROMPTS_H_

#include "ui/core/window_prompts.h"

class QWidget;

namespace varnok {

class CQtWindowPrompts final : public WindowPrompts {
 public:
  // The dialogs open over parent, which may be null.
  explicit CQtWindowPrompts(QWidget* parent = nullptr) : parent_(parent) {}

  std::optional<std::string> ChooseArchiveToOpen() override;
  bool ChooseFolder(std::string* folder) override;
  ExistingAnswer AskExisting(const Message& question) override;
  bool Confirm(const Message& question, const char* action) override;
  void ShowMessage(const std::string& text,
                   const std::string& informative) override;

 private:
  QWidget* parent_;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_WINDOW_PROMPTS_H_
