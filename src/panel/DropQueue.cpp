#include "panel/DropQueue.h"

#include <QMimeData>
#include <QWidget>

#include "ui/RunningOperation.h"

namespace ks {
namespace {

// The drag's data belongs to the drag and is gone when the drop event ends.
std::unique_ptr<QMimeData> CopyOf(const QMimeData* data) {
  auto copy = std::make_unique<QMimeData>();
  if (!data) return copy;
  for (const QString& format : data->formats()) copy->setData(format, data->data(format));
  return copy;
}

// Often enough that the next drop follows at once to the eye; an operation
// ends and a window over the panel closes in many places, all of which are
// seen this way.
constexpr int kPollMs = 100;

}  // namespace

DropQueue::DropQueue(QWidget* panel, Runner run) : panel_(panel), run_(std::move(run)) {
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, [this] { RunNextIfFree(); });
}

DropQueue::~DropQueue() = default;

bool DropQueue::PanelFree() const {
  return !running_ && !OperationRunning() && panel_->isEnabled();
}

void DropQueue::Take(Zone zone, const QMimeData* data) {
  if (waiting_.empty() && PanelFree()) {
    running_ = true;
    run_(zone, data);
    running_ = false;
    return;
  }
  waiting_.push_back(Waiter{zone, CopyOf(data)});
  if (onWaitingChanged) onWaitingChanged(waiting_.size());
  poll_.start();
}

void DropQueue::RunNextIfFree() {
  if (waiting_.empty()) {
    poll_.stop();
    return;
  }
  if (!PanelFree()) return;
  Waiter next = std::move(waiting_.front());
  waiting_.pop_front();
  if (waiting_.empty()) poll_.stop();
  if (onWaitingChanged) onWaitingChanged(waiting_.size());
  running_ = true;
  run_(next.zone, next.data.get());
  running_ = false;
}

}  // namespace ks
