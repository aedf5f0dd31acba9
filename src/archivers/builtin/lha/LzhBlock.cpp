#include "archivers/builtin/lha/LzhBlock.h"

#include <cstdint>
#include <vector>

#include "archivers/builtin/codec/HuffmanCode.h"

namespace ks {

namespace {

constexpr unsigned kLengthTreeSymbols = 19;  // NT: lengths 1..16 as 3..18, zero runs as 0..2
constexpr unsigned kLengthTreeCountBits = 5;  // TBIT
constexpr unsigned kLiteralCountBits = 9;     // CBIT
// After the third length of the code-length tree, two bits say how many of
// the next three lengths are zero.
constexpr unsigned kLengthTreeSkipAfter = 3;
constexpr unsigned kNoSkip = 0;

// One Huffman table as written: lengths, codes, or a single symbol that is
// coded with no bits at all.
struct Table {
  std::vector<std::uint8_t> lengths;
  std::vector<std::uint16_t> codes;
  bool single = false;
  unsigned singleSymbol = 0;

  void Put(BitWriter& out, unsigned symbol) const {
    if (!single) out.Put(codes[symbol], lengths[symbol]);
  }
};

Table MakeTable(const std::vector<std::uint32_t>& freq) {
  Table t;
  const std::size_t used = UsedSymbols(freq);
  if (used <= 1) {
    t.single = true;
    for (std::size_t s = 0; s < freq.size(); ++s)
      if (freq[s] != 0) t.singleSymbol = static_cast<unsigned>(s);
    return t;
  }
  t.lengths = HuffmanLengths(freq);
  t.codes = CanonicalCodes(t.lengths);
  return t;
}

std::size_t CountUpToLastUsed(const std::vector<std::uint8_t>& lengths) {
  std::size_t n = lengths.size();
  while (n > 0 && lengths[n - 1] == 0) --n;
  return n;
}

// Lengths of the code-length tree and of the position tree: 0..6 in three
// bits, 7 and more as "111" followed by (length - 7) ones and a zero.
void WriteSmallTree(BitWriter& out, const Table& t, unsigned countBits, unsigned skipAfter) {
  if (t.single) {
    out.Put(0, countBits);
    out.Put(t.singleSymbol, countBits);
    return;
  }
  const std::size_t n = CountUpToLastUsed(t.lengths);
  out.Put(static_cast<std::uint32_t>(n), countBits);
  for (std::size_t i = 0; i < n;) {
    const unsigned len = t.lengths[i++];
    if (len <= 6)
      out.Put(len, 3);
    else
      out.Put((1u << (len - 3)) - 2, len - 3);
    if (skipAfter != kNoSkip && i == skipAfter) {
      unsigned zeros = 0;
      while (zeros < 3 && i + zeros < n && t.lengths[i + zeros] == 0) ++zeros;
      out.Put(zeros, 2);
      i += zeros;
    }
  }
}

// Walks the literal tree's lengths as code-length symbols: a length L as
// L + 2; runs of zeros as 0 (one), 1 + 4 bits (3..18) or 2 + 9 bits
// (20..531). `emit(symbol, extra, extraBits)`.
template <typename Emit>
void ForEachLengthSymbol(const std::vector<std::uint8_t>& lengths, std::size_t n, Emit emit) {
  for (std::size_t i = 0; i < n;) {
    if (lengths[i] != 0) {
      emit(lengths[i] + 2u, 0u, 0u);
      ++i;
      continue;
    }
    std::size_t run = 0;
    while (i + run < n && lengths[i + run] == 0) ++run;
    i += run;
    if (run <= 2) {
      for (std::size_t k = 0; k < run; ++k) emit(0u, 0u, 0u);
    } else if (run <= 18) {
      emit(1u, static_cast<unsigned>(run - 3), 4u);
    } else if (run == 19) {
      emit(0u, 0u, 0u);
      emit(1u, 15u, 4u);
    } else {
      emit(2u, static_cast<unsigned>(run - 20), kLiteralCountBits);
    }
  }
}

}  // namespace

struct LzhBlockCodes::Tables {
  Table literal;
  Table lengthTree;
  Table position;
  std::vector<std::uint32_t> literalFreq;
  std::vector<std::uint32_t> positionFreq;
  const LzhMethodInfo& method;

  explicit Tables(const LzhMethodInfo& m) : method(m) {}

  void WriteTrees(BitWriter& out) const {
    if (literal.single) {
      // The code-length tree is read even when no lengths follow.
      out.Put(0, kLengthTreeCountBits);
      out.Put(0, kLengthTreeCountBits);
      out.Put(0, kLiteralCountBits);
      out.Put(literal.singleSymbol, kLiteralCountBits);
    } else {
      const std::size_t n = CountUpToLastUsed(literal.lengths);
      WriteSmallTree(out, lengthTree, kLengthTreeCountBits, kLengthTreeSkipAfter);
      out.Put(static_cast<std::uint32_t>(n), kLiteralCountBits);
      ForEachLengthSymbol(literal.lengths, n, [&](unsigned symbol, unsigned extra, unsigned bits) {
        lengthTree.Put(out, symbol);
        if (bits != 0) out.Put(extra, bits);
      });
    }
    WriteSmallTree(out, position, method.positionBits, kNoSkip);
  }
};

LzhBlockCodes::LzhBlockCodes(const std::vector<std::uint32_t>& literalFreq,
                             const std::vector<std::uint32_t>& positionFreq,
                             const LzhMethodInfo& method)
    : tables_(std::make_unique<Tables>(method)) {
  Tables& t = *tables_;
  t.literalFreq = literalFreq;
  t.positionFreq.assign(positionFreq.begin(), positionFreq.begin() + method.positionCodes);
  t.literal = MakeTable(t.literalFreq);
  if (!t.literal.single) {
    std::vector<std::uint32_t> lengthFreq(kLengthTreeSymbols, 0);
    ForEachLengthSymbol(t.literal.lengths, CountUpToLastUsed(t.literal.lengths),
                        [&](unsigned symbol, unsigned, unsigned) { ++lengthFreq[symbol]; });
    t.lengthTree = MakeTable(lengthFreq);
  }
  t.position = MakeTable(t.positionFreq);
}

LzhBlockCodes::~LzhBlockCodes() = default;

std::uint64_t LzhBlockCodes::CostBits() const {
  const Tables& t = *tables_;
  BitWriter trees;
  t.WriteTrees(trees);
  std::uint64_t bits = 16 + trees.bitCount();
  if (!t.literal.single)
    for (std::size_t s = 0; s < t.literalFreq.size(); ++s)
      bits += std::uint64_t{t.literalFreq[s]} * t.literal.lengths[s];
  if (!t.position.single)
    for (std::size_t s = 0; s < t.positionFreq.size(); ++s)
      bits += std::uint64_t{t.positionFreq[s]} * t.position.lengths[s];
  return bits;
}

void LzhBlockCodes::Write(const LzTokens& tokens, std::size_t begin, std::size_t end,
                          BitWriter& out) const {
  const Tables& t = *tables_;
  out.Put(static_cast<std::uint32_t>(end - begin), 16);
  t.WriteTrees(out);
  for (std::size_t i = begin; i < end; ++i) {
    const unsigned code = tokens.code(i);
    t.literal.Put(out, code);
    if (code < 256) continue;
    const std::uint32_t offset = tokens.offset(i);
    const unsigned p = PositionCode(offset);
    t.position.Put(out, p);
    if (p > 1) out.Put(offset & ((1u << (p - 1)) - 1), p - 1);
  }
}

}  // namespace ks
