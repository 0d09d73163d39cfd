#include "ui/app.h"

#include "ui/app_icon.h"
#include "ui/main_dialog.h"

namespace varnok {

CVarnokApp::CVarnokApp(int& argc, char** argv) : QApplication(argc, argv) {
  // No application name is set: Qt then takes the executable's name.
  setWindowIcon(LoadAppIcon());
  // Lets desktops find varnok.desktop, and with it the installed icon.
  setDesktopFileName(QStringLiteral("varnok"));
}

bool CVarnokApp::InitInstance() {
  CVarnokDlg dialog;
  dialog.exec();
  return false;
}

}  // namespace varnok
