// The application's icon, compiled into the program.

#ifndef VARNOK_UI_QT_APP_ICON_H_
#define VARNOK_UI_QT_APP_ICON_H_

#include <QIcon>

namespace varnok {

// The sizes, in pixels, of the icon's square images.
inline constexpr int kAppIconSizes[] = {16, 32, 48, 64, 128, 256};

// The icon with one image of each size.
QIcon LoadAppIcon();

}  // namespace varnok

#endif  // VARNOK_UI_QT_APP_ICON_H_
