// Converts dialog units to pixels.
//
// The main dialog's layout is given in dialog units of its font, so that it
// grows with the font: a horizontal unit is a quarter of the font's average
// letter width (over A-Z and a-z), a vertical unit an eighth of its height.
// Conversions round to the nearest pixel.

#ifndef VARNOK_UI_QT_DIALOG_UNITS_H_
#define VARNOK_UI_QT_DIALOG_UNITS_H_

#include <QFont>
#include <QRect>
#include <QSize>

namespace varnok {

class CDialogUnits {
 public:
  explicit CDialogUnits(const QFont& font);

  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QSize ToPixels(int width, int height) const;
  QRect ToPixels(int x, int y, int width, int height) const;

 private:
  int averageLetterWidth_;  // pixels, four horizontal units
  int letterHeight_;        // pixels, eight vertical units
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_DIALOG_UNITS_H_
