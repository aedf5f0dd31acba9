#include "archivers/builtin/common/PooledBytes.h"

#include <mutex>
#include <utility>

namespace ks {
namespace {

constexpr std::size_t kSmallest = 64 * 1024;

struct Pool {
  std::mutex lock;
  std::vector<std::vector<unsigned char>> spares;
  std::size_t spareBytes = 0;
};

Pool& ThePool() {
  static Pool pool;
  return pool;
}

}  // namespace

PooledBytes::PooledBytes(std::size_t reserve) {
  // Sizes rounded up to a power of two fit the next entries too.
  std::size_t rounded = kSmallest;
  while (rounded < reserve) rounded *= 2;
  Pool& pool = ThePool();
  {
    const std::lock_guard<std::mutex> hold(pool.lock);
    // The smallest spare that holds `reserve` bytes; a buffer that must
    // grow would take fresh memory all the same.
    auto best = pool.spares.end();
    for (auto it = pool.spares.begin(); it != pool.spares.end(); ++it)
      if (it->capacity() >= rounded && (best == pool.spares.end() || it->capacity() < best->capacity())) best = it;
    if (best != pool.spares.end()) {
      bytes_ = std::move(*best);
      pool.spares.erase(best);
      pool.spareBytes -= bytes_.capacity();
    }
  }
  bytes_.clear();
  bytes_.reserve(rounded);
}

PooledBytes::~PooledBytes() { GiveBack(); }

PooledBytes& PooledBytes::operator=(PooledBytes&& other) noexcept {
  if (this != &other) {
    GiveBack();
    bytes_ = std::move(other.bytes_);
    other.bytes_.clear();
  }
  return *this;
}

void PooledBytes::GiveBack() {
  if (bytes_.capacity() == 0) return;
  Pool& pool = ThePool();
  const std::lock_guard<std::mutex> hold(pool.lock);
  if (pool.spareBytes + bytes_.capacity() > kSpareBytes) return;
  pool.spareBytes += bytes_.capacity();
  pool.spares.push_back(std::move(bytes_));
  bytes_ = {};
}

}  // namespace ks
