#pragma once
// Work done on worker threads and handed back in the order it was given, so
// an archive written from the results is the same byte for byte whatever
// the number of threads. The caller's thread stays the only one that reads
// files, reports progress and writes the archive; workers only compute.
//
// With one thread there are no workers at all: each job runs in the caller's
// thread as it is submitted, so a single-core machine pays nothing for the
// pool.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace ks {

class OrderedWorkPool {
 public:
  // `worker` is below threads(); no two jobs run with the same index at
  // once, so a job may use per-worker state (a coder's tables) unlocked.
  using Job = std::function<void(unsigned worker)>;

  explicit OrderedWorkPool(unsigned threads);
  // `threads` in all, the caller's own among them: threads - 1 workers (none
  // with one thread: jobs run as they are submitted), and the caller, when
  // it would wait for a result, runs a job no worker has begun itself, with
  // the last index. For a caller with work of its own all along (reading
  // and writing files), so that together they take every core and no more.
  struct CallerHelps {};
  OrderedWorkPool(unsigned threads, CallerHelps);
  // Cancels, then stops the workers.
  ~OrderedWorkPool();
  OrderedWorkPool(const OrderedWorkPool&) = delete;
  OrderedWorkPool& operator=(const OrderedWorkPool&) = delete;

  // At least one.
  unsigned threads() const { return threads_; }
  void Submit(Job job);
  // Jobs submitted and not taken yet.
  std::size_t pending() const;
  // Waits for the oldest job not taken yet and takes it; what the job threw
  // (out of memory) is thrown here.
  void TakeOldest();
  // Drops every job not begun and waits for the ones running, so nothing
  // the jobs use is touched any more once it returns.
  void Cancel();

 private:
  struct Impl;
  unsigned threads_;
  std::unique_ptr<Impl> impl_;
};

// How far the packing writers let their workers run ahead: enough small
// entries that a large one does not leave the other workers idle behind it,
// within a bound on the data held.
inline constexpr std::size_t kPackJobsPerThread = 16;
inline constexpr std::size_t kPackWaitingBytes = std::size_t{16} << 20;

// The pool with each job's result kept for the caller until it is taken.
template <typename Result>
class OrderedWork {
 public:
  // At most `ahead` results wait to be taken before full() says so (0: two
  // per thread, enough to keep every worker busy while the caller writes).
  explicit OrderedWork(unsigned threads, std::size_t ahead = 0)
      : pool_(threads), ahead_(ahead ? ahead : 2 * std::size_t{pool_.threads()}) {}
  OrderedWork(unsigned threads, OrderedWorkPool::CallerHelps helps, std::size_t ahead = 0)
      : pool_(threads, helps), ahead_(ahead ? ahead : 2 * std::size_t{pool_.threads()}) {}

  unsigned threads() const { return pool_.threads(); }
  // Also full once the jobs not taken weigh `limit` in all (the weight each
  // was submitted with, such as the bytes it holds).
  void LimitWeight(std::size_t limit) { weightLimit_ = limit; }
  void Submit(std::function<Result(unsigned worker)> job, std::size_t weight = 0) {
    auto slot = std::make_shared<std::optional<Result>>();
    results_.push_back(slot);
    weights_.push_back(weight);
    weight_ += weight;
    pool_.Submit([slot, job = std::move(job)](unsigned worker) { slot->emplace(job(worker)); });
  }
  std::size_t pending() const { return results_.size(); }
  // As many results wait as memory should hold: take one before submitting
  // the next.
  bool full() const { return results_.size() >= ahead_ || weight_ >= weightLimit_; }
  Result TakeOldest() {
    const std::shared_ptr<std::optional<Result>> slot = std::move(results_.front());
    results_.pop_front();
    weight_ -= weights_.front();
    weights_.pop_front();
    pool_.TakeOldest();
    return std::move(**slot);
  }
  void Cancel() {
    pool_.Cancel();
    results_.clear();
    weights_.clear();
    weight_ = 0;
  }

 private:
  std::deque<std::shared_ptr<std::optional<Result>>> results_;
  std::deque<std::size_t> weights_;
  std::size_t weight_ = 0;
  std::size_t weightLimit_ = SIZE_MAX;
  OrderedWorkPool pool_;
  std::size_t ahead_;
};

}  // namespace ks
