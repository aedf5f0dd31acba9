#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace ks {

QPixmap AppIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  // A parcel tied with a band: what an archiver makes.
  QRectF box(s * 0.12, s * 0.22, s * 0.76, s * 0.66);
  p.setPen(QPen(QColor(90, 60, 20), std::max<qreal>(1, s / 32)));
  p.setBrush(QColor(214, 170, 96));
  p.drawRoundedRect(box, s * 0.06, s * 0.06);
  p.setBrush(QColor(40, 80, 170));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(s * 0.44, box.top(), s * 0.12, box.height()));
  p.drawRect(QRectF(box.left(), s * 0.49, box.width(), s * 0.12));
  QPainterPath bow;
  bow.moveTo(s * 0.5, s * 0.22);
  bow.cubicTo(s * 0.30, s * 0.02, s * 0.22, s * 0.24, s * 0.5, s * 0.22);
  bow.cubicTo(s * 0.78, s * 0.24, s * 0.70, s * 0.02, s * 0.5, s * 0.22);
  p.drawPath(bow);
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace ks
