#pragma once
// One operation at a time. An extraction or a check runs inside the drop
// event, and the progress and question windows of the libraries let events
// through while it works; a second drop arriving then would call a library
// that is still busy, and closing the panel would pull the window out from
// under the run. While a RunningOperation lives, the panel takes no drop
// and does not close.

namespace ks {

class RunningOperation {
 public:
  RunningOperation();
  ~RunningOperation();
  RunningOperation(const RunningOperation&) = delete;
  RunningOperation& operator=(const RunningOperation&) = delete;
};

// True while an operation runs.
bool OperationRunning();

}  // namespace ks
