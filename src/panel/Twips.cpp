#include "panel/Twips.h"

#include <QWidget>

namespace ks {

QPoint CentredOver(const QRect& panel, const QSize& own) {
  const double top = panel.height() / 2.0 + panel.top() - own.height() / 2.0;
  const double left = panel.width() / 2.0 + panel.left() - own.width() / 2.0;
  return QPoint(static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)));
}

void CentreOver(QWidget* window, const QWidget* panel) {
  if (!window || !panel) return;
  const QRect outer = panel->frameGeometry();
  const QSize own = window->frameGeometry().size();
  window->move(CentredOver(outer, own));
}

}  // namespace ks
