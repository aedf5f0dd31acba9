#include "panel/KeepOnScreen.h"

#include <QEvent>
#include <QRect>
#include <QWidget>

#include "panel/Twips.h"

namespace ks {
namespace {

class FrameWatcher : public QObject {
 public:
  FrameWatcher(QWidget* window, const QRect& area) : QObject(window), window_(window), area_(area) {
    setObjectName(kName);
    window->installEventFilter(this);
  }
  static constexpr const char* kName = "ksFrameWatcher";

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    switch (event->type()) {
      case QEvent::Hide:
        deleteLater();
        break;
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show: {
        const QRect frame = window_->frameGeometry();
        if (frame.size() == window_->size()) break;  // not framed yet
        const QPoint inside = KeepInside(area_, frame.topLeft(), frame.size());
        // Removed first: the move below sends another Move event.
        window_->removeEventFilter(this);
        deleteLater();
        if (inside != frame.topLeft()) window_->move(inside);
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  QWidget* window_;
  QRect area_;
};

}  // namespace

void KeepInsideOnceFramed(QWidget* window, const QRect& area) {
  if (!window || area.isEmpty()) return;
  // One watcher per window: an earlier one still waiting is replaced.
  const QString name = QString::fromLatin1(FrameWatcher::kName);
  for (QObject* old : window->findChildren<QObject*>(name, Qt::FindDirectChildrenOnly)) {
    window->removeEventFilter(old);
    delete old;
  }
  new FrameWatcher(window, area);
}

}  // namespace ks
