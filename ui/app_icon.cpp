#include "ui/app_icon.h"

#include <QString>

// The images live in the resources of this static library, which registers
// them on first use. The registration has to be named outside any namespace.
static void RegisterIconResources() { Q_INIT_RESOURCE(varnok); }

namespace varnok {

QIcon LoadAppIcon() {
  static const bool registered = (RegisterIconResources(), true);
  (void)registered;
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/app_icon_32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/icons/app_icon_16.png"), QSize(16, 16));
  return icon;
}

}  // namespace varnok
