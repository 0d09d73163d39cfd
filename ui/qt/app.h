// The application: runs the main dialog, or an archive window, and ends
// when the last of its windows closes.
//
// The application is named after its executable file; that name is the
// caption of every message box.

#ifndef VARNOK_UI_QT_APP_H_
#define VARNOK_UI_QT_APP_H_

#include <optional>
#include <string>

#include <QApplication>

namespace varnok {

class Prompts;
class WindowPrompts;

class CVarnokApp : public QApplication {
  Q_OBJECT

 public:
  CVarnokApp(int& argc, char** argv);

  // Runs the main dialog until it closes and returns its result, the
  // program's exit status: 1 when it ended by Enter, 0 when it was closed.
  // With a folder (path bytes, full or relative to the current folder) the
  // dialog opens with the files beneath it listed, as if it had been picked.
  // prompts answers the dialog's questions; null means the user does.
  // Archive windows opened from the dialog keep the program running once
  // it has closed, until they close too.
  int Run(const std::optional<std::string>& folder,
          Prompts* prompts = nullptr);

  // Opens the archive at path in a window and runs until every window has
  // closed: 0, or 1 when the archive could not be opened, which prompts
  // (null: the user) is then told.
  int RunArchive(const std::string& path, WindowPrompts* prompts = nullptr);

 private:
  // Ends the event loop when no window is left on screen.
  static void QuitWhenNoWindowIsLeft();
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_APP_H_
