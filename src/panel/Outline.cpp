#include "panel/Outline.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace ks {

Outline::Outline(const QString& name, QColor lineColour, QWidget* parent)
    : QWidget(parent), colour_(lineColour) {
  setObjectName(name);
}

void Outline::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  QPainter painter(this);
  painter.setPen(QPen(colour_, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, width() - 1, height() - 1);
}

void Outline::resizeEvent(QResizeEvent*) {
  // The mask keeps the inside see-through for the mouse as well as the eye.
  const QRect outer = rect();
  if (outer.width() <= 2 || outer.height() <= 2) {
    if (outer.isEmpty())
      clearMask();
    else
      setMask(QRegion(outer));
    return;
  }
  setMask(QRegion(outer).subtracted(QRegion(outer.adjusted(1, 1, -1, -1))));
}

// The frame line swallows its clicks: they must not travel on to the panel,
// whose right-button release would open the settings menu.
void Outline::mousePressEvent(QMouseEvent* e) { e->accept(); }
void Outline::mouseReleaseEvent(QMouseEvent* e) { e->accept(); }
void Outline::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

}  // namespace ks
