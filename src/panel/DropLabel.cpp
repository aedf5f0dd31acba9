#include "panel/DropLabel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>

namespace ks {

DropLabel::DropLabel(const QString& name, const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {
  setObjectName(name);
  setAcceptDrops(true);
  setAutoFillBackground(false);
}

// Every kind of drop is welcome: telling a file list from an icon with no
// file behind it is the handler's job, and it has a message for the latter.
void DropLabel::dragEnterEvent(QDragEnterEvent* e) { e->acceptProposedAction(); }
void DropLabel::dragMoveEvent(QDragMoveEvent* e) { e->acceptProposedAction(); }

void DropLabel::dropEvent(QDropEvent* e) {
  e->acceptProposedAction();
  if (onDrop) onDrop(e->mimeData());
}

void DropLabel::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && onDoubleClick) {
    e->accept();
    onDoubleClick();
    return;
  }
  QLabel::mouseDoubleClickEvent(e);
}

}  // namespace ks
