#pragma once
// A rectangle outline (the shp controls): a one-pixel frame line in a fixed
// colour. Only the line itself belongs to the widget, so a click inside the
// frame reaches whatever lies beneath, while a click on the line is taken by
// the frame and opens no menu.

#include <QColor>
#include <QWidget>

namespace ks {

class Outline : public QWidget {
  Q_OBJECT
 public:
  Outline(const QString& name, QColor lineColour, QWidget* parent);
  QColor lineColour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;

 private:
  QColor colour_;
};

}  // namespace ks
