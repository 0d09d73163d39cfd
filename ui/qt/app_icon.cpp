#include "ui/qt/app_icon.h"

#include <QString>

// The images live in the resources of this static library, which registers
// them on first use. The registration has to be named outside any namespace.
static void RegisterIconResources() { Q_INIT_RESOURCE(varnok); }

namespace varnok {

QIcon LoadAppIcon() {
  static const bool registered = (RegisterIconResources(), true);
  (void)registered;
  QIcon icon;
  for (const int size : kAppIconSizes) {
    icon.addFile(QStringLiteral(":/icons/app_icon_%1.png").arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace varnok
