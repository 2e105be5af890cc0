// Twips (1440 to the inch) to pixels at a widget's logical DPI, and back.
#pragma once

#include <QWidget>
#include <cmath>

namespace varnook {

inline int TwipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}
inline double PixelsToTwips(int pixels, double dpi) {
    return pixels * 1440.0 / dpi;
}
inline double LogicalDpi(const QWidget* w) {
    return w->logicalDpiX();
}

}  // namespace varnook
