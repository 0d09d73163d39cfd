#include "ui/qt/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace varnok {
namespace {

// units * numerator / denominator, rounded to the nearest integer.
int Scale(int units, int numerator, int denominator) {
  const long long product = static_cast<long long>(units) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabetWidth = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  // The width of the 52 letters over 52, rounded.
  averageLetterWidth_ = (alphabetWidth / 26 + 1) / 2;
  letterHeight_ = metrics.height();
}

int CDialogUnits::ToPixelsX(int units) const {
  return Scale(units, averageLetterWidth_, 4);
}

int CDialogUnits::ToPixelsY(int units) const {
  return Scale(units, letterHeight_, 8);
}

QSize CDialogUnits::ToPixels(int width, int height) const {
  return QSize(ToPixelsX(width), ToPixelsY(height));
}

QRect CDialogUnits::ToPixels(int x, int y, int width, int height) const {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width),
               ToPixelsY(height));
}

}  // namespace varnok
