#pragma once
// Static Huffman codes as LHA blocks carry them: code lengths from symbol
// counts, limited to 16 bits, and the canonical codes a reader rebuilds from
// the lengths alone (shorter codes first, equal lengths in symbol order).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ks {

constexpr unsigned kLzhMaxCodeBits = 16;

// Code lengths for the `freq` of each symbol, none longer than `maxBits`.
// Unused symbols get 0. With two or more used symbols the code is complete
// (every bit pattern decodes), which strict readers insist on; with one used
// symbol it gets length 1 and the caller writes the single-symbol form.
std::vector<std::uint8_t> HuffmanLengths(const std::vector<std::uint32_t>& freq,
                                         unsigned maxBits = kLzhMaxCodeBits);

// The canonical code of each symbol for `lengths` (0 for unused symbols).
std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths);

// The number of symbols with a non-zero count.
std::size_t UsedSymbols(const std::vector<std::uint32_t>& freq);

}  // namespace ks
