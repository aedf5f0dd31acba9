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

#include "archivers/builtin/codec/DecodeStream.h"

namespace ks {

// The part of a bit reader that a decoding loop touches for every symbol.
// A loop copies it into a local (BitReader::cursor()) whose address it never
// hands out, so the compiler keeps it in registers although every output
// byte written could otherwise alias it.
struct BitCursor {
  // Bits guaranteed after a refill.
  static constexpr unsigned kRefillBits = 56;

  std::uint64_t bits = 0;  // left-aligned
  unsigned count = 0;
  const std::uint8_t* next = nullptr;
  const std::uint8_t* end = nullptr;

  bool CanRefillFast() const { return end - next >= 8; }
  // Tops the bits up to at least kRefillBits from the next eight bytes. The
  // word is loaded from the byte after the last whole byte held, so the bits
  // below `count` receive the same stream bits they may already hold; no
  // masking is needed.
  void RefillFast() {
    std::uint64_t word;
    std::memcpy(&word, next, 8);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    bits |= word >> count;
    next += (63 - count) >> 3;
    count |= 56;
  }
  // The next `n` bits (1 to 32) without taking them.
  std::uint32_t Peek(unsigned n) const { return static_cast<std::uint32_t>(bits >> (64 - n)); }
  // Takes `n` bits (0 to the number held).
  void Skip(unsigned n) {
    bits <<= n;
    count -= n;
  }
  // Takes and returns `n` bits (1 to 32) that a refill made available.
  std::uint32_t Take(unsigned n) {
    const std::uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
};

class BitReader {
 public:
  static constexpr unsigned kRefillBits = BitCursor::kRefillBits;

  // `buffer` is the caller's scratch space, kept across entries so that many
  // small entries do not each allocate it.
  BitReader(DecodeInput& input, std::vector<std::uint8_t>& buffer);
  BitReader(const BitReader&) = delete;
  BitReader& operator=(const BitReader&) = delete;

  // Makes at least kRefillBits bits available.
  void Refill() { Refill(c_); }
  // The same for a loop's own copy of the cursor.
  void Refill(BitCursor& c) {
    if (c.CanRefillFast()) {
      c.RefillFast();
    } else {
      c_ = c;
      RefillSlowly();
      c = c_;
    }
  }
  std::uint32_t Peek(unsigned n) const { return c_.Peek(n); }
  std::uint64_t Word() const { return c_.bits; }
  void Skip(unsigned n) { c_.Skip(n); }
  std::uint32_t Take(unsigned n) { return c_.Take(n); }
  // Takes `n` bits (1 to 32), refilling first when needed.
  std::uint32_t Read(unsigned n) {
    if (c_.count < n) Refill();
    return Take(n);
  }

  // A loop's copy of the cursor, and handing it back before the reader is
  // used directly again.
  BitCursor cursor() const { return c_; }
  void SetCursor(const BitCursor& c) { c_ = c; }

  // True once bits beyond the end of the input were taken.
  bool Overrun() const { return zeroBytes_ * 8 > c_.count; }
  bool Overrun(const BitCursor& c) const { return zeroBytes_ * 8 > c.count; }

 private:
  void RefillSlowly();
  bool FillBuffer();

  BitCursor c_;
  DecodeInput& input_;
  std::vector<std::uint8_t>& buffer_;
  bool ended_ = false;
  // Zero bytes supplied after the end of the input.
  std::uint64_t zeroBytes_ = 0;
};

}  // namespace ks
