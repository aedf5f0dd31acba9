#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

#include "archivers/builtin/common/OrderedWorkPool.h"
#include "archivers/builtin/common/WorkerThreads.h"

namespace ks {
namespace {

TEST(OrderedWorkPool, ResultsComeBackInTheOrderGivenWhateverTheThreads) {
  for (unsigned threads : {1u, 3u}) {
    OrderedWork<int> work(threads, 4);
    std::vector<int> taken;
    for (int i = 0; i < 40; ++i) {
      // Early jobs take longest, so later ones finish first on workers.
      work.Submit([i](unsigned worker) {
        EXPECT_LT(worker, 3u);
        std::this_thread::sleep_for(std::chrono::microseconds((40 - i) * 50));
        return i;
      });
      while (work.full()) taken.push_back(work.TakeOldest());
      EXPECT_LE(work.pending(), 4u);
    }
    while (work.pending() > 0) taken.push_back(work.TakeOldest());
    ASSERT_EQ(taken.size(), 40u) << threads;
    for (int i = 0; i < 40; ++i) EXPECT_EQ(taken[i], i) << threads;
  }
}

// With a caller that works all along, workers take the jobs and the caller
// runs one itself only rather than wait, with the last index; on one
// thread it runs them all.
TEST(OrderedWorkPool, WorkersTakeTheJobsAndTheCallerHelpsRatherThanWait) {
  for (const unsigned workers : {0u, 1u, 2u}) {
    OrderedWork<std::pair<std::thread::id, unsigned>> work(workers + 1, OrderedWorkPool::CallerHelps{}, 8);
    EXPECT_EQ(work.threads(), workers + 1);
    for (int i = 0; i < 8; ++i)
      work.Submit([](unsigned index) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return std::pair(std::this_thread::get_id(), index);
      });
    unsigned inCaller = 0;
    for (int i = 0; i < 8; ++i) {
      const auto [id, index] = work.TakeOldest();
      const bool caller = id == std::this_thread::get_id();
      inCaller += caller ? 1 : 0;
      EXPECT_EQ(caller, index == workers) << workers;
    }
    if (workers == 0) {
      EXPECT_EQ(inCaller, 8u);
    } else {
      EXPECT_LT(inCaller, 8u) << workers;
    }
  }
}

TEST(OrderedWorkPool, WorkIsFullOnceItsJobsWeighTheLimit) {
  OrderedWork<int> work(2, 100);
  work.LimitWeight(10);
  work.Submit([](unsigned) { return 1; }, 6);
  EXPECT_FALSE(work.full());
  work.Submit([](unsigned) { return 2; }, 4);
  EXPECT_TRUE(work.full());
  EXPECT_EQ(work.TakeOldest(), 1);
  EXPECT_FALSE(work.full());
  work.Cancel();
  work.Submit([](unsigned) { return 3; }, 9);
  EXPECT_FALSE(work.full());
}

TEST(OrderedWorkPool, AFailedJobThrowsWhereItIsTakenAndCancelDropsTheRest) {
  for (unsigned threads : {1u, 2u}) {
    std::atomic<int> ran{0};
    OrderedWork<int> work(threads, 100);
    work.Submit([](unsigned) -> int { throw std::runtime_error("no memory"); });
    for (int i = 0; i < 50; ++i)
      work.Submit([&](unsigned) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return ++ran;
      });
    EXPECT_THROW(work.TakeOldest(), std::runtime_error);
    work.Cancel();
    const int after = ran;
    EXPECT_EQ(work.pending(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ran, after) << "a job ran after Cancel returned";
    // Inline, every job has run when submitted; on workers Cancel came first.
    if (threads > 1) {
      EXPECT_LT(after, 50);
    }
  }
}

TEST(WorkerThreads, TheVariableForcesACountAndAnythingElseMeansEveryCore) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::pair<const char*, unsigned> cases[] = {
      {"1", 1}, {"4", 4}, {"0", cores}, {"-2", cores}, {"3x", cores}, {"", cores}, {"100000", cores}};
  for (const auto& [value, expected] : cases) {
    ::setenv(kThreadsVariable, value, 1);
    EXPECT_EQ(WorkerThreads(), expected) << "'" << value << "'";
  }
  ::unsetenv(kThreadsVariable);
  EXPECT_EQ(WorkerThreads(), cores);
}

}  // namespace
}  // namespace ks
