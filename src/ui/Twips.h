#pragma once
// Geometry is designed in twips; Qt works in device-independent pixels.
// 15 twips are one pixel.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

class QWidget;

namespace ks {

constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(double twips) {
  return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
inline int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }
inline QRect TwipsToPixels(const QRect& r) {
  return QRect(TwipsToPixels(r.left()), TwipsToPixels(r.top()), TwipsToPixels(r.width()),
               TwipsToPixels(r.height()));
}

// Where a window of outer size `own` goes so that it is centred over a panel
// whose outer rectangle is `panel`: Top = panel Height / 2 + panel Top - own
// Height / 2, Left likewise with the widths. Any unit, computed in floating
// point and rounded.
QPoint CentredOver(const QRect& panel, const QSize& own);
// The top-left corner nearest to `topLeft` that puts a window of outer size
// `own` wholly inside `area`. A window larger than the area in one direction
// starts at the area's top or left edge there, so its title bar and close
// button stay within reach.
QPoint KeepInside(const QRect& area, const QPoint& topLeft, const QSize& own);
// The usable part (without panels and docks) of the screen that holds most
// of `window`, in device-independent pixels.
QRect AvailableAreaOf(const QWidget* window);
// The frame the window manager put around a top-level window (null when it
// has none or has not framed it yet).
QMargins FrameMarginsOf(const QWidget* window);
// Moves `window` (its outer frame) centred over `panel`'s outer frame, then
// inside the available area of the panel's screen.
void CentreOver(QWidget* window, const QWidget* panel);

}  // namespace ks
