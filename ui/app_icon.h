// The application's icon, compiled into the program.

#ifndef VARNOK_UI_APP_ICON_H_
#define VARNOK_UI_APP_ICON_H_

#include <QIcon>

namespace varnok {

// The icon with its two images, 32x32 and 16x16 pixels.
QIcon LoadAppIcon();

}  // namespace varnok

#endif  // VARNOK_UI_APP_ICON_H_
