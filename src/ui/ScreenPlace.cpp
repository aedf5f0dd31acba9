#include "ui/ScreenPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <limits>

#include "ui/Twips.h"

namespace ks {
namespace {

bool Grips(const QRect& title, const QRect& area) {
  if (title.top() < area.top() || title.bottom() > area.bottom()) return false;
  const int shown = std::min(title.right(), area.right()) - std::max(title.left(), area.left()) + 1;
  return shown >= std::min(kTitleGripPixels, title.width());
}

// Squared distance from a point to a rectangle (0 inside it).
long long DistanceSquared(const QPoint& p, const QRect& r) {
  const long long dx = p.x() < r.left() ? r.left() - p.x() : p.x() > r.right() ? p.x() - r.right() : 0;
  const long long dy = p.y() < r.top() ? r.top() - p.y() : p.y() > r.bottom() ? p.y() - r.bottom() : 0;
  return dx * dx + dy * dy;
}

}  // namespace

QPoint ReachablePlace(const QRect& outer, int titleHeight, const QList<QRect>& areas) {
  const QRect title(outer.left(), outer.top(), std::max(1, outer.width()), std::max(1, titleHeight));
  if (areas.isEmpty()) return outer.topLeft();
  for (const QRect& area : areas)
    if (Grips(title, area)) return outer.topLeft();
  const QRect* nearest = &areas.front();
  long long best = std::numeric_limits<long long>::max();
  for (const QRect& area : areas) {
    const long long d = DistanceSquared(title.center(), area);
    if (d < best) {
      best = d;
      nearest = &area;
    }
  }
  return KeepInside(*nearest, outer.topLeft(), outer.size());
}

QList<QRect> AvailableAreas() {
  QList<QRect> areas;
  for (const QScreen* screen : QGuiApplication::screens()) areas.push_back(screen->availableGeometry());
  return areas;
}

}  // namespace ks
