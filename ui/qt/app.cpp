#include "ui/qt/app.h"

#include <QTimer>

#include "ui/qt/app_icon.h"
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
  if (folder) {
    // Listed once the window is up, so that it shows while the scan runs.
    QTimer::singleShot(0, &dialog,
                       [&dialog, &folder] {
                         dialog.presenter().OpenFolder(*folder);
                       });
  }
  return dialog.exec();
}

}  // namespace varnok
