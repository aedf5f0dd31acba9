#pragma once
// Decoder for -lh1-, the method of LHarc 1.x: LZ77 over a 4 KB window whose
// literals and match lengths (314 symbols, matches of 3 to 60 bytes) are
// coded with an adaptive Huffman tree that encoder and decoder update alike
// after every symbol. A match position takes a fixed code of 3 to 8 bits for
// its upper six bits, then its lower six bits as they are.

#include <array>
#include <cstdint>
#include <vector>

#include "archivers/builtin/codec/BitReader.h"
#include "archivers/builtin/codec/DecodeWindow.h"

namespace ks {

class AdaptiveHuffmanDecoder : public EntryDecoder {
 public:
  AdaptiveHuffmanDecoder();
  DecodeError Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) override;

 private:
  static constexpr unsigned kSymbols = 314;
  static constexpr unsigned kNodes = 2 * kSymbols - 1;
  static constexpr unsigned kRoot = kNodes - 1;

  void ResetTree();
  void Count(unsigned symbol);
  void Rebuild();

  // The tree is kept as nodes sorted by count, leaves first: freq_ is each
  // node's count (one extra entry stops searches), son_ a node's first child
  // (the second is the next node) or kNodes + symbol for a leaf, parent_
  // each node's parent, indexed from kNodes for the leaves.
  std::array<std::uint32_t, kNodes + 1> freq_{};
  std::array<std::uint32_t, kNodes> son_{};
  std::array<std::uint32_t, kNodes + kSymbols> parent_{};
  // Upper six bits of a position and the length of their code, for every
  // value of the next eight bits.
  std::array<std::uint8_t, 256> positionHigh_{};
  std::array<std::uint8_t, 256> positionCodeBits_{};
  DecodeWindow window_;
  std::vector<std::uint8_t> inputBuffer_;
};

}  // namespace ks
