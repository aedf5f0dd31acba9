#pragma once
// Byte buffers that go back to a shared pool when done with. The entries an
// extraction decodes on worker threads pass through buffers of up to a few
// MiB each; taking fresh memory for every entry made the system map and
// clear pages as fast as a second core could decode, so the buffers are
// kept and used again. The pool holds at most kSpareBytes.

#include <cstddef>
#include <vector>

namespace ks {

class PooledBytes {
 public:
  static constexpr std::size_t kSpareBytes = std::size_t{16} << 20;

  // An empty buffer with room for at least `reserve` bytes.
  explicit PooledBytes(std::size_t reserve = 0);
  // Hands the buffer back to the pool, when it has room.
  ~PooledBytes();
  PooledBytes(PooledBytes&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
  PooledBytes& operator=(PooledBytes&& other) noexcept;
  PooledBytes(const PooledBytes&) = delete;
  PooledBytes& operator=(const PooledBytes&) = delete;

  std::vector<unsigned char>& bytes() { return bytes_; }
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  void GiveBack();
  std::vector<unsigned char> bytes_;
};

}  // namespace ks
