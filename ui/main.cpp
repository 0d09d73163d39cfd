// varnok: the desktop tool. Takes no arguments of its own.

#include "ui/app.h"

int main(int argc, char** argv) {
  varnok::CVarnokApp app(argc, argv);
  app.InitInstance();
  return 0;
}
