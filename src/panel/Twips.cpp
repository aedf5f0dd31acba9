#include "panel/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
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

void CentreOver(QWidget* window, const QWidget* panel) {
  if (!window || !panel) return;
  const QSize own = window->frameGeometry().size();
  const QPoint centred = CentredOver(panel->frameGeometry(), own);
  const QRect area = AvailableAreaOf(panel);
  window->move(area.isEmpty() ? centred : KeepInside(area, centred, own));
}

}  // namespace ks
