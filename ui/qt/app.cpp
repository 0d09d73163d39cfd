#include "ui/qt/app.h"

#include <algorithm>

#include <QTimer>
#include <QWidget>

#include "base/exit_status.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/archive_window.h"
#include "ui/qt/main_dialog.h"

namespace varnok {

CVarnokApp::CVarnokApp(int& argc, char** argv) : QApplication(argc, argv) {
  // No application name is set: Qt then takes the executable's name.
  setWindowIcon(LoadAppIcon());
  // Lets desktops find varnok.desktop, and with it the installed icon.
  setDesktopFileName(QStringLiteral("varnok"));
}

int CVarnokApp::Run(const std::optional<std::string>& folder,
                    Prompts* prompts) {
  CVarnokDlg dialog(prompts);
  int result = 0;
  connect(&dialog, &QDialog::finished, this, [&result](int dialogResult) {
    result = dialogResult;
    QuitWhenNoWindowIsLeft();
  });
  dialog.show();
  if (folder) {
    // Listed once the window is up, so that it shows while the scan runs.
    QTimer::singleShot(0, &dialog,
                       [&dialog, &folder] {
                         dialog.presenter().OpenFolder(*folder);
                       });
  }
  exec();
  return result;
}

int CVarnokApp::RunArchive(const std::string& path, WindowPrompts* prompts) {
  if (CArchiveWindow::Open(path, prompts) == nullptr) return kExitFailure;
  exec();
  return kExitSuccess;
}

void CVarnokApp::QuitWhenNoWindowIsLeft() {
  const QWidgetList windows = topLevelWidgets();
  if (std::none_of(windows.begin(), windows.end(),
                   [](const QWidget* window) { return window->isVisible(); })) {
    quit();
  }
}

}  // namespace varnok
