#pragma once
// Whether a window's title bar can be reached, and where the window goes
// when it cannot. A place stored for a screen that is gone, or dragged
// above the screen's top edge, would otherwise open the window where no
// mouse can grab it.

#include <QList>
#include <QPoint>
#include <QRect>

namespace ks {

// The least of a title bar, in pixels, that must lie on a screen for the
// user to grab it: its height when the frame is not known yet, and its
// width on the screen (300 twips, the margin start-up keeps at the right
// and bottom edges too).
inline constexpr int kTitleGripPixels = 20;

// The top-left corner for a window whose outer frame is `outer` with a
// title bar `titleHeight` pixels high: `outer`'s own corner when the whole
// height of the title bar lies within one of `areas` (the screens' usable
// parts) and at least kTitleGripPixels of its width do; otherwise the
// corner nearest to it that puts the window wholly inside the area nearest
// to its title bar. With no area at all the corner is kept.
QPoint ReachablePlace(const QRect& outer, int titleHeight, const QList<QRect>& areas);

// The usable part of every screen, in device-independent pixels.
QList<QRect> AvailableAreas();

}  // namespace ks
