#include "archivers/builtin/lha/AdaptiveHuffmanDecoder.h"

#include <algorithm>

namespace ks {

namespace {

constexpr std::size_t kWindow = 4096;
constexpr unsigned kMinMatch = 3;
// The tree's counts are halved when the root's count reaches this.
constexpr std::uint32_t kMaxCount = 0x8000;
// How many position codes there are of 3, 4, ... 8 bits.
constexpr unsigned kPositionCodesPerLength[] = {1, 3, 8, 12, 24, 16};
constexpr unsigned kShortestPositionCode = 3;

}  // namespace

AdaptiveHuffmanDecoder::AdaptiveHuffmanDecoder() : window_(kWindow) {
  // The position codes are given in order of value: code bits count up
  // through the eight-bit space.
  unsigned code = 0, high = 0;
  for (unsigned i = 0; i < std::size(kPositionCodesPerLength); ++i) {
    const unsigned bits = kShortestPositionCode + i;
    const unsigned span = 1u << (8 - bits);
    for (unsigned k = 0; k < kPositionCodesPerLength[i]; ++k, ++high) {
      for (unsigned j = 0; j < span; ++j) {
        positionHigh_[code + j] = static_cast<std::uint8_t>(high);
        positionCodeBits_[code + j] = static_cast<std::uint8_t>(bits);
      }
      code += span;
    }
  }
}

void AdaptiveHuffmanDecoder::ResetTree() {
  for (unsigned i = 0; i < kSymbols; ++i) {
    freq_[i] = 1;
    son_[i] = i + kNodes;
    parent_[i + kNodes] = i;
  }
  for (unsigned i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
    freq_[j] = freq_[i] + freq_[i + 1];
    son_[j] = i;
    parent_[i] = parent_[i + 1] = j;
  }
  freq_[kNodes] = 0xFFFFFFFF;
  parent_[kRoot] = 0;
}

// Halves every count and builds the tree anew from the leaves: each new
// inner node goes after every node whose count is not larger.
void AdaptiveHuffmanDecoder::Rebuild() {
  unsigned j = 0;
  for (unsigned i = 0; i < kNodes; ++i) {
    if (son_[i] >= kNodes) {
      freq_[j] = (freq_[i] + 1) / 2;
      son_[j] = son_[i];
      ++j;
    }
  }
  for (unsigned i = 0, node = kSymbols; node < kNodes; i += 2, ++node) {
    const std::uint32_t f = freq_[i] + freq_[i + 1];
    unsigned k = node;
    while (k > 0 && f < freq_[k - 1]) --k;
    std::copy_backward(freq_.begin() + k, freq_.begin() + node, freq_.begin() + node + 1);
    std::copy_backward(son_.begin() + k, son_.begin() + node, son_.begin() + node + 1);
    freq_[k] = f;
    son_[k] = i;
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    const unsigned k = son_[i];
    parent_[k] = i;
    if (k < kNodes) parent_[k + 1] = i;
  }
}

// Adds one to the counts from the symbol's leaf up to the root. A node whose
// count passes the next nodes' first trades places with the last of them,
// which keeps the nodes sorted.
void AdaptiveHuffmanDecoder::Count(unsigned symbol) {
  if (freq_[kRoot] == kMaxCount) Rebuild();
  unsigned c = parent_[symbol + kNodes];
  do {
    const std::uint32_t k = ++freq_[c];
    unsigned l = c + 1;
    if (k > freq_[l]) {
      while (k > freq_[++l]) {
      }
      --l;
      freq_[c] = freq_[l];
      freq_[l] = k;
      const unsigned i = son_[c];
      parent_[i] = l;
      if (i < kNodes) parent_[i + 1] = l;
      const unsigned s = son_[l];
      son_[l] = i;
      parent_[s] = c;
      if (s < kNodes) parent_[s + 1] = c;
      son_[c] = s;
      c = l;
    }
    c = parent_[c];
  } while (c != 0);
}

DecodeError AdaptiveHuffmanDecoder::Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) {
  ResetTree();
  BitReader in(input, inputBuffer_);
  window_.Start(size, output);
  while (!window_.Done()) {
    std::uint8_t* out = window_.pos();
    std::uint8_t* const stop = window_.stop();
    while (out < stop) {
      // A tree of these counts is at most 23 levels deep: one refill covers
      // the symbol, a second its position.
      in.Refill();
      unsigned c = son_[kRoot];
      while (c < kNodes) c = son_[c + in.Take(1)];
      c -= kNodes;
      Count(c);
      if (c < 256) {
        *out++ = static_cast<std::uint8_t>(c);
        continue;
      }
      in.Refill();
      const unsigned next8 = in.Peek(8);
      in.Skip(positionCodeBits_[next8]);
      const std::size_t distance = (std::size_t{positionHigh_[next8]} << 6 | in.Take(6)) + 1;
      DecodeWindow::CopyMatch(out, distance, c - 256 + kMinMatch);
    }
    if (in.Overrun()) return DecodeError::Truncated;
    if (!window_.Drain(out)) return DecodeError::OutputStopped;
  }
  return DecodeError::None;
}

}  // namespace ks
