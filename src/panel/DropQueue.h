#pragma once
// Drops that arrive while an operation runs wait their turn. An extraction,
// a check or a compression lets events through while its library works, so
// a second drop can arrive in the middle of it; it runs after the operation
// has ended and the panel is free again (no window open over it), in the
// order the drops came, each as a drop of its own with its own result.

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "ui/PanelWindow.h"

class QMimeData;

namespace ks {

class DropQueue : public QObject {
 public:
  // What a drop on a zone does.
  using Runner = std::function<void(Zone, const QMimeData*)>;

  // `panel` is the window whose state says when it is free.
  DropQueue(QWidget* panel, Runner run);
  ~DropQueue() override;

  // A drop on `zone`: run now when the panel is free and no earlier drop
  // waits, otherwise kept (a copy of its data) for its turn.
  void Take(Zone zone, const QMimeData* data);

  // How many drops wait.
  std::size_t Waiting() const { return waiting_.size(); }
  // Told the number of waiting drops whenever it changes.
  std::function<void(std::size_t)> onWaitingChanged;

 private:
  struct Waiter {
    Zone zone;
    std::unique_ptr<QMimeData> data;
  };

  bool PanelFree() const;
  void RunNextIfFree();

  QWidget* panel_;
  Runner run_;
  std::deque<Waiter> waiting_;
  QTimer poll_;
  bool running_ = false;
};

}  // namespace ks
