#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace ks {

QPoint CentredOver(const QRect& panel, const QSize& own) {
  const double top = panel.height() / 2.0 + panel.top() - own.height() / 2.0;
  const double left = panel.width() / 2.0 + panel.left() - own.width() / 2.0;
  return QPoint(static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)));
}

QPoint KeepInside(const QRect& area, const QPoint& topLeft, const QSize& own) {
  // Each direction alone: first pull the far edge in, then the near edge, so
  // that a window too large for the area ends up at its near edge.
  auto inside = [](int start, int length, int areaStart, int areaLength) {
    if (start + length > areaStart + areaLength) start = areaStart + areaLength - length;
    return std::max(start, areaStart);
  };
  return QPoint(inside(topLeft.x(), own.width(), area.left(), area.width()),
                inside(topLeft.y(), own.height(), area.top(), area.height()));
}

QRect AvailableAreaOf(const QWidget* window) {
  const QScreen* screen = nullptr;
  if (window) {
    screen = QGuiApplication::screenAt(window->frameGeometry().center());
    if (!screen) screen = window->screen();
  }
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

QMargins FrameMarginsOf(const QWidget* window) {
  // The native window asks the window manager again whenever the frame may
  // have changed; the widget's own copy is renewed only when it moves or is
  // resized, and may still say "no frame" long after the window was framed.
  if (const QWindow* native = window->windowHandle()) return native->frameMargins();
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                  frame.right() - client.right(), frame.bottom() - client.bottom());
}

void CentreOver(QWidget* window, const QWidget* panel) {
  if (!window || !panel) return;
  // Until the window manager has framed the window its frame is unknown;
  // the panel's own frame is the best guess, as one manager frames both.
  // (Window managers place the frame of a window that is not shown yet at
  // the position it asks for, so the position is the frame's in both cases.)
  const QMargins panelFrame = FrameMarginsOf(panel);
  QMargins frame = FrameMarginsOf(window);
  if (frame.isNull()) frame = panelFrame;
  const QSize own = window->size().grownBy(frame);
  const QPoint centred = CentredOver(panel->geometry().marginsAdded(panelFrame), own);
  const QRect area = AvailableAreaOf(panel);
  window->move(area.isEmpty() ? centred : KeepInside(area, centred, own));
}

}  // namespace ks
