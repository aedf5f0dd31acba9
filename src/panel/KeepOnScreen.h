#pragma once
// A window placed before it was shown is placed by its client size: the
// window manager adds the frame (title bar, borders) only when it maps the
// window. This watcher puts the window back inside the area once the frame
// is known, so the part the frame added does not stick out of the screen.

class QRect;
class QWidget;

namespace ks {

// Watches `window` until its frame is known (or it is hidden or destroyed),
// then moves it the least distance that puts its frame inside `area`.
void KeepInsideOnceFramed(QWidget* window, const QRect& area);

}  // namespace ks
