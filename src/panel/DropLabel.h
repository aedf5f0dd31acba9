#pragma once
// A see-through label that takes drops of anything and hands them to a
// handler: the three zones and the logo text. It draws no background, so the
// wallpaper shows behind its text.

#include <QLabel>
#include <functional>

class QMimeData;

namespace ks {

class DropLabel : public QLabel {
  Q_OBJECT
 public:
  DropLabel(const QString& name, const QString& caption, QWidget* parent);

  // Called with the drop's data; no handler means a drop does nothing.
  std::function<void(const QMimeData*)> onDrop;
  // Called on a double click of the left button.
  std::function<void()> onDoubleClick;
  // Whether drops are taken while an operation runs (they wait their turn
  // in onDrop's hands); otherwise they are refused then.
  bool takesDropsWhileBusy = false;

  // A drag or drop over this label that reached its window while the
  // window is disabled, which Qt would not pass on: answered and handled
  // as an enabled label would while an operation runs.
  void TakeDragWhileDisabled(QDropEvent* e);

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  // Accepts the drag or drop as a copy; false when the source offers no copy.
  static bool AnswerAsCopy(QDropEvent* e);
};

}  // namespace ks
