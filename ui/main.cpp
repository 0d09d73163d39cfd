// varnok: the desktop tool. Takes no arguments of its own.

#include "platform/process.h"
#include "ui/app.h"

int main(int argc, char** argv) {
  // A full disk or a file-size limit is then a message, and Ctrl-C or a
  // closed terminal leaves no temporary file behind.
  varnok::InstallSignalHandling();
  varnok::CVarnokApp app(argc, argv);
  app.InitInstance();
  return 0;
}
