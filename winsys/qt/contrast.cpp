#include "winsys/qt/contrast.h"

#include <algorithm>
#include <cmath>

namespace winsys {
namespace {

double channel(int value) {
  const double c = value / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
  return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

QColor blend(const QColor& from, const QColor& to, double t) {
  auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                mix(from.blue(), to.blue()));
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor withContrast(const QColor& colour, const QColor& other, double ratio) {
  if (contrastRatio(colour, other) >= ratio) return colour;
  const QColor toward = contrastRatio(Qt::white, other) >= contrastRatio(Qt::black, other)
                            ? QColor(Qt::white)
                            : QColor(Qt::black);
  // The contrast grows with the blend: the least blend that reaches the ratio, by bisection.
  double low = 0.0, high = 1.0;
  for (int i = 0; i < 20; ++i) {
    const double mid = (low + high) / 2;
    (contrastRatio(blend(colour, toward, mid), other) >= ratio ? high : low) = mid;
  }
  return blend(colour, toward, high);
}

}  // namespace winsys
