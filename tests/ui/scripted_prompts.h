// Answers the main dialog's and the archive window's questions from a
// script and records what was asked, for the tests of the presenter and of
// both faces.

#ifndef VARNOK_TESTS_UI_SCRIPTED_PROMPTS_H_
#define VARNOK_TESTS_UI_SCRIPTED_PROMPTS_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/core/prompts.h"
#include "ui/core/window_prompts.h"

namespace varnok::test {

class ScriptedPrompts : public Prompts {
 public:
  struct Message {
    std::string text;
    std::string informative;
  };

  bool ChooseFolder(std::string* chosen) override {
    log.push_back("folder");
    if (!folder) return false;
    *chosen = *folder;
    return true;
  }
  std::optional<std::string> ChooseArchiveName() override {
    log.push_back("save");
    return archiveName;
  }
  void ShowMessage(const std::string& text,
                   const std::string& informative) override {
    log.push_back("message");
    messages.push_back({text, informative});
    if (onMessage) onMessage(text);
  }

  // The texts of the messages shown, in turn.
  std::vector<std::string> texts() const {
    std::vector<std::string> result;
    for (const Message& message : messages) result.push_back(message.text);
    return result;
  }

  std::optional<std::string> folder;       // the picker's answer; none = Cancel
  std::optional<std::string> archiveName;  // the save dialog's; none = Cancel
  std::function<void(const std::string&)> onMessage;
  std::vector<std::string> log;            // "folder", "save", "message"
  std::vector<Message> messages;
};

// The archive window's questions: the archive to open, the folder to
// extract to, the answer about files in the way, the one before a change; its messages and
// questions, each as "text\ninformative".
class ScriptedWindowPrompts : public WindowPrompts {
 public:
  std::optional<std::string> ChooseArchiveToOpen() override {
    return archive;
  }
  bool ChooseFolder(std::string* chosen) override {
    if (folder) *chosen = *folder;
    return folder.has_value();
  }
  ExistingAnswer AskExisting(const Message& question) override {
    messages.push_back(question.text + "\n" + question.informative);
    return existing;
  }
  bool Confirm(const Message& question, const char* action) override {
    messages.push_back(question.text + "\n" + question.informative);
    actions.push_back(action);
    return confirm;
  }
  void ShowMessage(const std::string& text,
                   const std::string& informative) override {
    messages.push_back(text + "\n" + informative);
  }

  std::optional<std::string> archive;  // the open dialog's; none = Cancel
  std::optional<std::string> folder;   // the picker's; none = Cancel
  ExistingAnswer existing = ExistingAnswer::kCancel;
  bool confirm = true;                // the answer to Confirm
  std::vector<std::string> actions;   // Confirm's action buttons, in turn
  std::vector<std::string> messages;  // and questions, in turn
};

}  // namespace varnok::test

#endif  // VARNOK_TESTS_UI_SCRIPTED_PROMPTS_H_
