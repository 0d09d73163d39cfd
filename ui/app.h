// The application: runs the main dialog and ends when it closes.
//
// The application is named after its executable file; that name is the
// caption of every message box.

#ifndef VARNOK_UI_APP_H_
#define VARNOK_UI_APP_H_

#include <QApplication>

namespace varnok {

class CVarnokApp : public QApplication {
  Q_OBJECT

 public:
  CVarnokApp(int& argc, char** argv);

  // Runs the main dialog until it closes. Returns false: there is nothing
  // left to run, and the application ends.
  bool InitInstance();
};

}  // namespace varnok

#endif  // VARNOK_UI_APP_H_
