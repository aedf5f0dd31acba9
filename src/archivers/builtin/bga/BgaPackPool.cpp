#include "archivers/builtin/bga/BgaPackPool.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "archivers/builtin/common/ResultCodes.h"

namespace ks {

void CompressPiece(BgaEncoder& encoder, BgaPiece& piece) {
  std::vector<char> packed;
  packed.reserve(piece.data.size());
  encoder.Begin(piece.data.size());
  const int r = encoder.Feed(piece.data.data(), piece.data.size(), true,
                             [&](const char* data, std::size_t n) {
                               packed.insert(packed.end(), data, data + n);
                               return packed.size() >= piece.data.size() ? kBgaNotSmaller
                                                                         : static_cast<int>(kArcOk);
                             });
  const bool smaller = r == kArcOk && packed.size() < piece.data.size();
  if (smaller) piece.data.swap(packed);
  piece.header.storage = smaller ? kBgaStorageCompressed : kBgaStorageStored;
  piece.header.dataSize = static_cast<std::uint32_t>(piece.data.size());
}

struct BgaPackPool::Impl {
  struct Slot {
    std::unique_ptr<BgaPiece> piece;
    bool done = false;
    std::exception_ptr error;
  };

  BgaMethod method;
  std::mutex mutex;
  std::condition_variable workReady, slotDone;
  std::deque<std::shared_ptr<Slot>> order;  // every piece not taken, oldest first
  std::deque<std::shared_ptr<Slot>> todo;   // pieces no worker has begun
  bool stopping = false;
  std::vector<std::thread> threads;
  std::unique_ptr<BgaEncoder> inlineEncoder;

  void Work() {
    const std::unique_ptr<BgaEncoder> encoder = MakeBgaEncoder(method);
    for (;;) {
      std::shared_ptr<Slot> slot;
      {
        std::unique_lock lock(mutex);
        workReady.wait(lock, [&] { return stopping || !todo.empty(); });
        if (stopping) return;
        slot = std::move(todo.front());
        todo.pop_front();
      }
      std::exception_ptr error;
      try {
        CompressPiece(*encoder, *slot->piece);
      } catch (...) {
        error = std::current_exception();
      }
      {
        std::lock_guard lock(mutex);
        slot->error = error;
        slot->done = true;
      }
      slotDone.notify_all();
    }
  }
};

BgaPackPool::BgaPackPool(BgaMethod method, unsigned workers) : impl_(std::make_unique<Impl>()) {
  impl_->method = method;
  for (unsigned i = 0; i < workers; ++i) impl_->threads.emplace_back([this] { impl_->Work(); });
}

BgaPackPool::~BgaPackPool() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
    impl_->todo.clear();
  }
  impl_->workReady.notify_all();
  for (std::thread& t : impl_->threads) t.join();
}

void BgaPackPool::Add(std::unique_ptr<BgaPiece> piece) {
  auto slot = std::make_shared<Impl::Slot>();
  slot->piece = std::move(piece);
  if (!slot->piece->compress || impl_->threads.empty()) {
    if (slot->piece->compress) {
      if (!impl_->inlineEncoder) impl_->inlineEncoder = MakeBgaEncoder(impl_->method);
      CompressPiece(*impl_->inlineEncoder, *slot->piece);
    }
    slot->done = true;
    std::lock_guard lock(impl_->mutex);
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

std::size_t BgaPackPool::pending() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->order.size();
}

std::unique_ptr<BgaPiece> BgaPackPool::TakeOldest() {
  std::unique_lock lock(impl_->mutex);
  if (impl_->order.empty()) return nullptr;
  const std::shared_ptr<Impl::Slot> slot = impl_->order.front();
  impl_->slotDone.wait(lock, [&] { return slot->done; });
  impl_->order.pop_front();
  if (slot->error) std::rethrow_exception(slot->error);
  return std::move(slot->piece);
}

unsigned BgaPackPool::DefaultWorkers() {
  // One thread of the machine reads the files and writes the archive; the
  // work of compressing goes to as many more as it has, up to four.
  const unsigned cores = std::thread::hardware_concurrency();
  return cores <= 1 ? 0 : std::min(cores, 4u);
}

}  // namespace ks
