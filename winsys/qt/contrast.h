// Readable colours: the contrast of two colours as the web's accessibility guidelines measure it,
// and the smallest change to a colour that makes text on it readable.
#pragma once

#include <QColor>

namespace winsys {

// The ratio of the lighter colour's relative luminance to the darker's (each + 0.05): 1 for equal
// colours, 21 for black on white.
double contrastRatio(const QColor& a, const QColor& b);

// What text needs at least against its background (normal-size text).
inline constexpr double kReadableContrast = 4.5;

// `colour` moved toward white or black (whichever gives more contrast against `other`), by the
// least amount that reaches `ratio`; `colour` itself when it already does.
QColor withContrast(const QColor& colour, const QColor& other, double ratio = kReadableContrast);

}  // namespace winsys
