#pragma once
// One block's worth of LZSS output: literals and (length, distance) pairs in
// the symbols of the LHA code tables, with their counts for the Huffman
// codes. Filled by the parser, emptied by the block writer.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ks {

constexpr unsigned kLzhMinMatch = 3;    // THRESHOLD: shorter repeats stay literals
constexpr unsigned kLzhMaxMatch = 256;  // MAXMATCH
// NC: 256 literals and one code per match length 3..256.
constexpr unsigned kLzhLiteralCodes = 256 + kLzhMaxMatch - kLzhMinMatch + 1;
constexpr unsigned kLzhMaxPositionCodes = 17;
// A block's token count is stored in 16 bits and must not be 0.
constexpr std::size_t kLzhMaxBlockTokens = 0xFFFF;

// The position code of a match offset (distance - 1): 0 for 0, else the
// number of significant bits; the bits below the top one follow the code.
inline unsigned PositionCode(std::uint32_t offset) {
  return offset == 0 ? 0u : static_cast<unsigned>(std::bit_width(offset));
}

class LzTokens {
 public:
  explicit LzTokens(std::size_t capacity)
      : capacity_(capacity), code_(capacity), offset_(capacity),
        literalFreq_(kLzhLiteralCodes, 0), positionFreq_(kLzhMaxPositionCodes, 0) {}

  void Literal(std::uint8_t byte) {
    code_[count_] = byte;
    ++literalFreq_[byte];
    ++count_;
  }
  // `length` 3..256, `distance` 1..window.
  void Match(unsigned length, std::uint32_t distance) {
    const unsigned code = 256 + length - kLzhMinMatch;
    const std::uint32_t offset = distance - 1;
    code_[count_] = static_cast<std::uint16_t>(code);
    offset_[count_] = static_cast<std::uint16_t>(offset);
    ++literalFreq_[code];
    ++positionFreq_[PositionCode(offset)];
    ++count_;
  }
  // Full() is true from `limit` tokens on (at most the capacity), so the
  // parser can hand over the tokens in pieces.
  void SetLimit(std::size_t limit) { limit_ = std::min(limit, capacity_); }
  bool Full() const { return count_ >= limit_; }
  std::size_t capacity() const { return capacity_; }
  bool Empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  void Clear() {
    count_ = 0;
    std::fill(literalFreq_.begin(), literalFreq_.end(), 0);
    std::fill(positionFreq_.begin(), positionFreq_.end(), 0);
  }
  // The symbol counts of tokens [begin, end).
  void CountRange(std::size_t begin, std::size_t end, std::vector<std::uint32_t>& literalFreq,
                  std::vector<std::uint32_t>& positionFreq) const {
    literalFreq.assign(kLzhLiteralCodes, 0);
    positionFreq.assign(kLzhMaxPositionCodes, 0);
    for (std::size_t i = begin; i < end; ++i) {
      ++literalFreq[code_[i]];
      if (code_[i] >= 256) ++positionFreq[PositionCode(offset_[i])];
    }
  }
  // Forgets the first `n` tokens, keeping the rest in order.
  void DropFront(std::size_t n) {
    std::copy(code_.begin() + n, code_.begin() + count_, code_.begin());
    std::copy(offset_.begin() + n, offset_.begin() + count_, offset_.begin());
    count_ -= n;
    CountRange(0, count_, literalFreq_, positionFreq_);
  }

  std::uint16_t code(std::size_t i) const { return code_[i]; }
  std::uint16_t offset(std::size_t i) const { return offset_[i]; }
  const std::vector<std::uint32_t>& literalFreq() const { return literalFreq_; }
  const std::vector<std::uint32_t>& positionFreq() const { return positionFreq_; }

 private:
  std::size_t capacity_;
  std::size_t limit_ = capacity_;
  std::size_t count_ = 0;
  std::vector<std::uint16_t> code_;
  std::vector<std::uint16_t> offset_;
  std::vector<std::uint32_t> literalFreq_;
  std::vector<std::uint32_t> positionFreq_;
};

}  // namespace ks
