#pragma once
// Decodes canonical Huffman codes as LZH and ARJ blocks define them (code
// lengths only; shorter codes first, equal lengths in symbol order; at most
// 16 bits) by table lookup: one look at the next `rootBits` bits finds every
// short code, and a second table of the remaining 16 - rootBits bits
// finishes a longer one.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archivers/builtin/codec/BitReader.h"

namespace ks {

class HuffmanDecoder {
 public:
  static constexpr unsigned kMaxCodeBits = 16;

  explicit HuffmanDecoder(unsigned rootBits) : rootBits_(rootBits) {}

  // Builds the tables for `lengths` of symbols 0 to count-1 (0 = unused).
  // False when a length exceeds 16 bits or the lengths claim more codes than
  // there are bit patterns; such a table cannot come from an encoder. An
  // incomplete code is accepted: its unused patterns decode as errors.
  bool Build(const std::uint8_t* lengths, std::size_t count);
  // Every bit pattern decodes to `symbol` without taking a bit (the form a
  // block uses when only one symbol occurs).
  void BuildSingle(std::uint16_t symbol);

  // What decoding needs, as a value a decoding loop keeps in a register;
  // RootBits must be the decoder's.
  template <unsigned RootBits>
  class Lookup {
   public:
    explicit Lookup(const std::uint32_t* table) : table_(table) {}
    // Takes one code from `in`, which must hold at least 16 bits, and
    // returns its symbol, or -1 for a bit pattern no code starts with.
    int Decode(BitCursor& in) const { return DecodeFrom(table_, RootBits, in); }

   private:
    const std::uint32_t* table_;
  };
  // Valid until the next Build.
  template <unsigned RootBits>
  Lookup<RootBits> lookup() const {
    return Lookup<RootBits>(table_.data());
  }
  // Decoding outside a hot loop.
  int Decode(BitReader& in) const;

 private:
  static int DecodeFrom(const std::uint32_t* table, unsigned rootBits, BitCursor& in) {
    std::uint32_t e = table[in.Peek(rootBits)];
    if (e & kNotLeaf) {
      if (e & kUnused) return -1;
      e = table[(e >> kValueShift) + ((in.bits << rootBits) >> (64 - (kMaxCodeBits - rootBits)))];
      if (e & kUnused) return -1;
    }
    in.Skip(e & kLengthMask);
    return static_cast<int>(e >> kValueShift);
  }

  // An entry: bits 0-4 the code length to take, bit 5 "look in a second
  // table", bit 6 "no code", from bit 8 the symbol or the second table's
  // start.
  static constexpr std::uint32_t kLengthMask = 0x1F;
  static constexpr std::uint32_t kLink = 0x20;
  static constexpr std::uint32_t kUnused = 0x40;
  static constexpr std::uint32_t kNotLeaf = kLink | kUnused;
  static constexpr unsigned kValueShift = 8;

  unsigned rootBits_;
  std::vector<std::uint32_t> table_;
};

}  // namespace ks
