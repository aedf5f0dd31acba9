#pragma once
// Reads coded data most significant bit first, as LZH and ARJ store it.
// The bits wait left-aligned in a 64-bit word that is topped up eight bytes
// at a time, so a decoder refills once per symbol and then peeks and skips
// without further checks. Past the end of the input it reads zero bits and
// remembers that it did: Overrun() tells a truncated entry.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archivers/builtin/lha/DecodeStream.h"

namespace ks {

class BitReader {
 public:
  // Bits guaranteed after Refill().
  static constexpr unsigned kRefillBits = 56;

  // `buffer` is the caller's scratch space, kept across entries so that many
  // small entries do not each allocate it.
  BitReader(DecodeInput& input, std::vector<std::uint8_t>& buffer);

  // Makes at least kRefillBits bits available.
  void Refill() {
    if (end_ - next_ >= 8) {
      // The word is loaded from the byte after the last whole byte held, so
      // the bits below count_ receive the same stream bits they may already
      // hold; no masking is needed.
      std::uint64_t word;
      std::memcpy(&word, next_, 8);
      bits_ |= FromBigEndian(word) >> count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
    } else {
      RefillSlowly();
    }
  }

  // The next `n` bits (1 to 32) without taking them.
  std::uint32_t Peek(unsigned n) const { return static_cast<std::uint32_t>(bits_ >> (64 - n)); }
  // All bits held, left-aligned (for two-level table lookups).
  std::uint64_t Word() const { return bits_; }
  // Takes `n` bits (0 to the number held).
  void Skip(unsigned n) {
    bits_ <<= n;
    count_ -= n;
  }
  // Takes and returns `n` bits (1 to 32) that a Refill() made available.
  std::uint32_t Take(unsigned n) {
    const std::uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  // Takes `n` bits (1 to 32), refilling first when needed.
  std::uint32_t Read(unsigned n) {
    if (count_ < n) Refill();
    return Take(n);
  }

  // True once bits beyond the end of the input were taken.
  bool Overrun() const { return zeroBytes_ * 8 > count_; }

 private:
  static std::uint64_t FromBigEndian(std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(v);
    return v;
  }
  void RefillSlowly();
  bool FillBuffer();

  DecodeInput& input_;
  std::vector<std::uint8_t>& buffer_;
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
  bool ended_ = false;
  // Zero bytes supplied after the end of the input.
  std::uint64_t zeroBytes_ = 0;
};

}  // namespace ks
