#include "panel/DropLabel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>

#include "ui/RunningOperation.h"

namespace ks {

DropLabel::DropLabel(const QString& name, const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {
  setObjectName(name);
  setAcceptDrops(true);
  setAutoFillBackground(false);
}

// Every kind of drop is welcome: telling a file list from an icon with no
// file behind it is the handler's job, and it has a message for the latter.
// Every drop is answered as a copy, whatever the source proposed: the panel
// only reads the files, and a source told that they were moved may delete
// the originals.
void DropLabel::dragEnterEvent(QDragEnterEvent* e) { AnswerAsCopy(e); }
void DropLabel::dragMoveEvent(QDragMoveEvent* e) { AnswerAsCopy(e); }

void DropLabel::dropEvent(QDropEvent* e) {
  // While an operation runs, a zone takes the drop for later; otherwise a
  // disabled panel (a window open over it) or a label that takes nothing
  // during a run refuses it, so the source keeps its files.
  if (OperationRunning() ? !takesDropsWhileBusy : !isEnabled()) {
    e->setDropAction(Qt::IgnoreAction);
    e->ignore();
    return;
  }
  if (!AnswerAsCopy(e)) {
    // A source that offers nothing but a move still has its files read, but
    // is told the drop was refused, so it keeps its originals.
    e->setDropAction(Qt::IgnoreAction);
    e->ignore();
  }
  if (onDrop) onDrop(e->mimeData());
}

void DropLabel::TakeDragWhileDisabled(QDropEvent* e) {
  if (!takesDropsWhileBusy || !OperationRunning()) {
    e->setDropAction(Qt::IgnoreAction);
    e->ignore();
    return;
  }
  if (e->type() == QEvent::Drop)
    dropEvent(e);
  else
    AnswerAsCopy(e);
}

bool DropLabel::AnswerAsCopy(QDropEvent* e) {
  // The drop must be welcome during the drag for it to arrive at all, even
  // from a source that cannot copy.
  e->accept();
  if (!(e->possibleActions() & Qt::CopyAction)) return false;
  e->setDropAction(Qt::CopyAction);
  return true;
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
