#pragma once
// Packs codes into bytes, most significant bit first, as LHA's coded data
// is read.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ks {

class BitWriter {
 public:
  // Appends the low `count` bits of `value` (count at most 32).
  void Put(std::uint32_t value, unsigned count) {
    acc_ = (acc_ << count) | (value & ((std::uint64_t{1} << count) - 1));
    bits_ += count;
    if (bits_ >= 32) Drain();
  }
  // Pads the last byte with zero bits and moves every whole byte to bytes().
  void Flush();
  // The finished bytes; the caller may take them and clear the vector.
  std::vector<std::uint8_t>& bytes() { return out_; }
  // Bits written since construction, pending ones included.
  std::uint64_t bitCount() const { return (written_ + out_.size()) * 8 + bits_; }
  // Forgets the bytes handed on, keeping bitCount() right.
  void Consumed() {
    written_ += out_.size();
    out_.clear();
  }

 private:
  void Drain();

  std::uint64_t acc_ = 0;
  unsigned bits_ = 0;
  std::vector<std::uint8_t> out_;
  std::uint64_t written_ = 0;
};

}  // namespace ks
