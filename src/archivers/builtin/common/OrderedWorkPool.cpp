#include "archivers/builtin/common/OrderedWorkPool.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace ks {

struct OrderedWorkPool::Impl {
  struct Slot {
    Job job;
    bool done = false;
    std::exception_ptr error;
  };

  mutable std::mutex mutex;
  std::condition_variable workReady, slotDone;
  std::deque<std::shared_ptr<Slot>> order;  // every job not taken, oldest first
  std::deque<std::shared_ptr<Slot>> todo;   // jobs no worker has begun
  std::size_t running = 0;
  bool stopping = false;
  std::vector<std::thread> workers;

  static void Run(Slot& slot, unsigned worker) {
    try {
      slot.job(worker);
    } catch (...) {
      slot.error = std::current_exception();
    }
    slot.job = nullptr;  // what the job held goes now, not when it is taken
  }

  void Work(unsigned worker) {
    std::unique_lock lock(mutex);
    for (;;) {
      workReady.wait(lock, [&] { return stopping || !todo.empty(); });
      if (stopping) return;
      RunNext(lock, worker);
    }
  }

  // Runs the oldest job no one has begun; `lock` is held on entry and exit.
  void RunNext(std::unique_lock<std::mutex>& lock, unsigned worker) {
    const std::shared_ptr<Slot> slot = std::move(todo.front());
    todo.pop_front();
    ++running;
    lock.unlock();
    Run(*slot, worker);
    lock.lock();
    --running;
    slot->done = true;
    slotDone.notify_all();
  }

  bool callerHelps = false;
};

OrderedWorkPool::OrderedWorkPool(unsigned threads)
    : threads_(threads == 0 ? 1 : threads), impl_(std::make_unique<Impl>()) {
  if (threads_ == 1) return;
  for (unsigned i = 0; i < threads_; ++i) impl_->workers.emplace_back([this, i] { impl_->Work(i); });
}

OrderedWorkPool::OrderedWorkPool(unsigned threads, CallerHelps)
    : threads_(threads == 0 ? 1 : threads), impl_(std::make_unique<Impl>()) {
  impl_->callerHelps = threads_ > 1;
  for (unsigned i = 0; i + 1 < threads_; ++i) impl_->workers.emplace_back([this, i] { impl_->Work(i); });
}

OrderedWorkPool::~OrderedWorkPool() {
  Cancel();
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->workReady.notify_all();
  for (std::thread& t : impl_->workers) t.join();
}

void OrderedWorkPool::Submit(Job job) {
  auto slot = std::make_shared<Impl::Slot>();
  slot->job = std::move(job);
  if (impl_->workers.empty()) {
    Impl::Run(*slot, 0);
    slot->done = true;
    impl_->order.push_back(std::move(slot));
    return;
  }
  {
    std::lock_guard lock(impl_->mutex);
    impl_->order.push_back(slot);
    impl_->todo.push_back(std::move(slot));
  }
  impl_->workReady.notify_one();
}

std::size_t OrderedWorkPool::pending() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->order.size();
}

void OrderedWorkPool::TakeOldest() {
  std::unique_lock lock(impl_->mutex);
  if (impl_->order.empty()) return;
  const std::shared_ptr<Impl::Slot> slot = std::move(impl_->order.front());
  impl_->order.pop_front();
  // Rather than wait, the caller beside the workers takes on a job no
  // worker has begun, with the last index.
  while (impl_->callerHelps && !slot->done && !impl_->todo.empty()) impl_->RunNext(lock, threads_ - 1);
  impl_->slotDone.wait(lock, [&] { return slot->done; });
  if (slot->error) std::rethrow_exception(slot->error);
}

void OrderedWorkPool::Cancel() {
  std::unique_lock lock(impl_->mutex);
  impl_->todo.clear();
  impl_->order.clear();
  impl_->slotDone.wait(lock, [&] { return impl_->running == 0; });
}

}  // namespace ks
