#include "archivers/builtin/codec/HuffmanDecoder.h"

#include <array>

namespace ks {

bool HuffmanDecoder::Build(const std::uint8_t* lengths, std::size_t count) {
  std::array<std::uint32_t, kMaxCodeBits + 1> perLength{};
  for (std::size_t s = 0; s < count; ++s) {
    if (lengths[s] > kMaxCodeBits) return false;
    ++perLength[lengths[s]];
  }
  // Patterns still free at each length; below zero the code is over-full.
  std::int64_t free = 1;
  std::array<std::uint32_t, kMaxCodeBits + 2> nextCode{};
  std::uint32_t code = 0;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    free = free * 2 - perLength[len];
    if (free < 0) return false;
    nextCode[len] = code;
    code = (code + perLength[len]) << 1;
  }

  const std::size_t rootSize = std::size_t{1} << rootBits_;
  // Second tables always cover the bits up to 16, so a lookup needs no
  // per-table width.
  const unsigned subBits = kMaxCodeBits - rootBits_;
  table_.assign(rootSize, kUnused);
  for (std::size_t s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (len == 0) continue;
    const std::uint32_t c = nextCode[len]++;
    const std::uint32_t leaf = static_cast<std::uint32_t>(s) << kValueShift | len;
    if (len <= rootBits_) {
      const std::size_t first = std::size_t{c} << (rootBits_ - len);
      for (std::size_t i = 0; i < (std::size_t{1} << (rootBits_ - len)); ++i) table_[first + i] = leaf;
      continue;
    }
    const std::size_t prefix = c >> (len - rootBits_);
    if (!(table_[prefix] & kLink)) {
      table_[prefix] = static_cast<std::uint32_t>(table_.size()) << kValueShift | kLink;
      table_.resize(table_.size() + (std::size_t{1} << subBits), kUnused);
    }
    const std::size_t base = table_[prefix] >> kValueShift;
    const unsigned rest = len - rootBits_;
    const std::size_t first = std::size_t{c & ((1u << rest) - 1)} << (subBits - rest);
    for (std::size_t i = 0; i < (std::size_t{1} << (subBits - rest)); ++i) table_[base + first + i] = leaf;
  }
  return true;
}

void HuffmanDecoder::BuildSingle(std::uint16_t symbol) {
  table_.assign(std::size_t{1} << rootBits_, static_cast<std::uint32_t>(symbol) << kValueShift);
}

int HuffmanDecoder::Decode(BitReader& in) const {
  BitCursor c = in.cursor();
  const int symbol = DecodeFrom(table_.data(), rootBits_, c);
  in.SetCursor(c);
  return symbol;
}

}  // namespace ks
