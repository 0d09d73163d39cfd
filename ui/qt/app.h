// The application: runs the main dialog and ends when it closes.
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

class CVarnokApp : public QApplication {
  Q_OBJECT

 public:
  CVarnokApp(int& argc, char** argv);

  // Runs the main dialog until it closes and returns its result, the
  // program's exit status: 1 when it ended by Enter, 0 when it was closed.
  // With a folder (path bytes, full or relative to the current folder) the
  // dialog opens with the files beneath it listed, as if it had been picked.
  // prompts answers the dialog's questions; null means the user does.
  int Run(const std::optional<std::string>& folder,
          Prompts* prompts = nullptr);
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_APP_H_
