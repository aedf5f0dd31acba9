#include "sfx/core/Bunzip2.h"

#include <vector>

#include "archivers/builtin/codec/BitReader.h"
#include "archivers/builtin/codec/CrcTables.h"

namespace ks::sfx {
namespace {

constexpr std::uint64_t kBlockMagic = 0x314159265359;
constexpr std::uint64_t kEndMagic = 0x177245385090;
constexpr unsigned kMaxGroups = 6;
constexpr unsigned kMaxSymbols = 258;   // 256 bytes, RUNA/RUNB in place of one, end of block
constexpr unsigned kMaxCodeBits = 20;
constexpr unsigned kMaxSelectors = 18002;
constexpr unsigned kGroupSize = 50;     // symbols coded with one table
constexpr unsigned kRunA = 0;
constexpr unsigned kRunB = 1;

// One of a block's Huffman tables, decoded bit by bit: `limit[n]` is the
// largest code of n bits, `base[n]` maps it to its place in `perm`.
struct Table {
  unsigned minBits = 0;
  std::int32_t limit[kMaxCodeBits + 2];
  std::int32_t base[kMaxCodeBits + 2];
  std::uint16_t perm[kMaxSymbols];

  bool Build(const std::uint8_t* lengths, unsigned symbols) {
    unsigned lo = kMaxCodeBits, hi = 0;
    for (unsigned s = 0; s < symbols; ++s) {
      if (lengths[s] < lo) lo = lengths[s];
      if (lengths[s] > hi) hi = lengths[s];
    }
    minBits = lo;
    unsigned count[kMaxCodeBits + 2] = {};
    unsigned p = 0;
    for (unsigned len = lo; len <= hi; ++len)
      for (unsigned s = 0; s < symbols; ++s)
        if (lengths[s] == len) {
          perm[p++] = static_cast<std::uint16_t>(s);
          ++count[len];
        }
    std::int32_t code = 0;
    std::int32_t index = 0;
    for (unsigned len = 0; len <= kMaxCodeBits + 1; ++len) limit[len] = -1;
    for (unsigned len = lo; len <= hi; ++len) {
      base[len] = index - code;
      code += static_cast<std::int32_t>(count[len]);
      index += static_cast<std::int32_t>(count[len]);
      limit[len] = code - 1;
      if (code > (1 << len)) return false;  // more codes than patterns
      code <<= 1;
    }
    return true;
  }

  // The next symbol, or -1 for a pattern no code has.
  int Decode(BitReader& in) const {
    std::int32_t code = static_cast<std::int32_t>(in.Read(minBits));
    for (unsigned len = minBits; len <= kMaxCodeBits; ++len) {
      if (code <= limit[len]) {
        const std::int32_t i = base[len] + code;
        return i >= 0 && i < static_cast<std::int32_t>(kMaxSymbols) ? perm[i] : -1;
      }
      code = (code << 1) | static_cast<std::int32_t>(in.Read(1));
    }
    return -1;
  }
};

// Takes 48 bits: the magic number in front of a block or the stream's end.
std::uint64_t ReadMagic(BitReader& in) {
  const std::uint64_t high = in.Read(24);
  return high << 24 | in.Read(24);
}

// Hands the decoded block on through the final run-length step (four equal
// bytes are followed by a count of further copies) and computes its CRC.
class BlockOutput {
 public:
  BlockOutput(DecodeOutput& out, std::uint64_t& left) : out_(out), left_(left) {}

  bool Put(std::uint8_t byte, unsigned times) {
    for (unsigned i = 0; i < times; ++i) {
      if (left_ == 0) {
        overflow_ = true;
        return false;
      }
      --left_;
      crc_ = ForwardCrc32Byte(crc_, byte);
      buffer_[used_++] = byte;
      if (used_ == sizeof buffer_ && !Flush()) return false;
    }
    return true;
  }
  bool Flush() {
    const std::size_t n = used_;
    used_ = 0;
    if (n > 0 && !out_.Write(buffer_, n)) stopped_ = true;
    return !stopped_;
  }
  std::uint32_t crc() const { return ~crc_; }
  bool overflow() const { return overflow_; }
  bool stopped() const { return stopped_; }

 private:
  DecodeOutput& out_;
  std::uint64_t& left_;
  std::uint8_t buffer_[4096];
  std::size_t used_ = 0;
  std::uint32_t crc_ = 0xFFFFFFFFu;
  bool overflow_ = false;
  bool stopped_ = false;
};

struct BlockTables {
  unsigned groups = 0;
  unsigned alphabet = 0;
  std::uint8_t seqToByte[256];
  std::vector<std::uint8_t> selectors;
  Table tables[kMaxGroups];
};

// The symbol map, the selectors and the Huffman tables of a block.
bool ReadTables(BitReader& in, BlockTables& t) {
  unsigned used = 0;
  const std::uint32_t ranges = in.Read(16);
  for (unsigned r = 0; r < 16; ++r) {
    if (!(ranges & (0x8000u >> r))) continue;
    const std::uint32_t bytes = in.Read(16);
    for (unsigned b = 0; b < 16; ++b)
      if (bytes & (0x8000u >> b)) t.seqToByte[used++] = static_cast<std::uint8_t>(r * 16 + b);
  }
  if (used == 0) return false;
  t.alphabet = used + 2;
  t.groups = in.Read(3);
  const unsigned selectorCount = in.Read(15);
  if (t.groups < 2 || t.groups > kMaxGroups || selectorCount == 0) return false;

  std::uint8_t mtf[kMaxGroups] = {0, 1, 2, 3, 4, 5};
  t.selectors.clear();
  for (unsigned i = 0; i < selectorCount; ++i) {
    unsigned j = 0;
    while (in.Read(1)) {
      if (++j >= t.groups) return false;
    }
    const std::uint8_t v = mtf[j];
    for (; j > 0; --j) mtf[j] = mtf[j - 1];
    mtf[0] = v;
    // Writers may list more selectors than a block can use; extra ones
    // are read and dropped.
    if (i < kMaxSelectors) t.selectors.push_back(v);
  }

  for (unsigned g = 0; g < t.groups; ++g) {
    std::uint8_t lengths[kMaxSymbols];
    int len = static_cast<int>(in.Read(5));
    for (unsigned s = 0; s < t.alphabet; ++s) {
      for (;;) {
        if (len < 1 || len > static_cast<int>(kMaxCodeBits)) return false;
        if (!in.Read(1)) break;
        len += in.Read(1) ? -1 : 1;
      }
      lengths[s] = static_cast<std::uint8_t>(len);
    }
    if (!t.tables[g].Build(lengths, t.alphabet)) return false;
  }
  return !in.Overrun();
}

}  // namespace

Bunzip2::~Bunzip2() { delete[] tt_; }

DecodeError Bunzip2::Run(DecodeInput& input, DecodeOutput& output, std::uint64_t limit,
                         std::uint64_t& produced) {
  std::vector<std::uint8_t> readBuffer;
  BitReader in(input, readBuffer);
  std::uint64_t left = limit;
  produced = 0;
  auto failed = [&](DecodeError e) {
    produced = limit - left;
    return in.Overrun() ? DecodeError::Truncated : e;
  };

  if (in.Read(8) != 'B' || in.Read(8) != 'Z' || in.Read(8) != 'h') return failed(DecodeError::Damaged);
  const unsigned level = in.Read(8);
  if (level < '1' || level > '9') return failed(DecodeError::Damaged);
  const std::uint32_t blockMax = (level - '0') * 100000u;
  if (capacity_ < blockMax) {
    delete[] tt_;
    tt_ = new std::uint32_t[blockMax];
    capacity_ = blockMax;
  }

  BlockTables t;
  std::uint32_t combined = 0;
  for (;;) {
    const std::uint64_t magic = ReadMagic(in);
    if (magic == kEndMagic) {
      if (in.Read(32) != combined) return failed(DecodeError::Damaged);
      break;
    }
    if (magic != kBlockMagic) return failed(DecodeError::Damaged);
    const std::uint32_t blockCrc = in.Read(32);
    // Randomised blocks come only from bzip2 0.9.0 and earlier.
    if (in.Read(1)) return failed(DecodeError::Damaged);
    const std::uint32_t origin = in.Read(24);
    if (!ReadTables(in, t)) return failed(DecodeError::Damaged);

    // Huffman symbols -> move-to-front and RUNA/RUNB runs -> block bytes.
    std::uint8_t mtf[256];
    for (unsigned i = 0; i < 256; ++i) mtf[i] = static_cast<std::uint8_t>(i);
    std::uint32_t counts[256] = {};
    std::uint32_t n = 0;
    const unsigned endOfBlock = t.alphabet - 1;
    std::uint32_t run = 0, runWeight = 1;
    for (std::size_t symbolIndex = 0;; ++symbolIndex) {
      const std::size_t group = symbolIndex / kGroupSize;
      if (group >= t.selectors.size()) return failed(DecodeError::Damaged);
      const int s = t.tables[t.selectors[group]].Decode(in);
      if (s < 0 || in.Overrun()) return failed(DecodeError::Damaged);
      const unsigned symbol = static_cast<unsigned>(s);
      if (symbol == kRunA || symbol == kRunB) {
        if (runWeight > blockMax) return failed(DecodeError::Damaged);
        run += runWeight << symbol;
        runWeight <<= 1;
        continue;
      }
      if (run > 0) {
        if (run > blockMax - n) return failed(DecodeError::Damaged);
        const std::uint8_t byte = t.seqToByte[mtf[0]];
        counts[byte] += run;
        while (run-- > 0) tt_[n++] = byte;
        run = 0;
        runWeight = 1;
      }
      if (symbol == endOfBlock) break;
      if (n >= blockMax) return failed(DecodeError::Damaged);
      unsigned j = symbol - 1;
      const std::uint8_t v = mtf[j];
      for (; j > 0; --j) mtf[j] = mtf[j - 1];
      mtf[0] = v;
      const std::uint8_t byte = t.seqToByte[v];
      ++counts[byte];
      tt_[n++] = byte;
    }
    if (origin >= n) return failed(DecodeError::Damaged);

    // Inverse transform: link every position to the one that follows it.
    std::uint32_t start[256];
    std::uint32_t sum = 0;
    for (unsigned b = 0; b < 256; ++b) {
      start[b] = sum;
      sum += counts[b];
    }
    for (std::uint32_t i = 0; i < n; ++i) tt_[start[tt_[i] & 0xFF]++] |= i << 8;

    BlockOutput out(output, left);
    std::uint32_t pos = tt_[origin] >> 8;
    int previous = -1;
    unsigned same = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      pos = tt_[pos];
      const std::uint8_t byte = static_cast<std::uint8_t>(pos & 0xFF);
      pos >>= 8;
      if (same == 4) {
        if (!out.Put(static_cast<std::uint8_t>(previous), byte)) break;
        same = 0;
        previous = -1;
        continue;
      }
      same = byte == previous ? same + 1 : 1;
      previous = byte;
      if (!out.Put(byte, 1)) break;
    }
    if (out.overflow()) return failed(DecodeError::Damaged);
    if (out.stopped() || !out.Flush()) return failed(DecodeError::OutputStopped);
    if (out.crc() != blockCrc) return failed(DecodeError::Damaged);
    combined = ((combined << 1) | (combined >> 31)) ^ blockCrc;
  }
  produced = limit - left;
  return in.Overrun() ? DecodeError::Truncated : DecodeError::None;
}

}  // namespace ks::sfx
