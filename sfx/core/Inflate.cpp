#include "sfx/core/Inflate.h"

namespace ks::sfx {
namespace {

constexpr std::uint32_t kRingSize = 32768;  // deflate's farthest distance
constexpr unsigned kMaxBits = 15;
constexpr unsigned kLiteralSymbols = 288;
constexpr unsigned kDistanceSymbols = 32;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kLengthSymbols = 29;     // 257 to 285
constexpr unsigned kUsedDistances = 30;
// The order in which a dynamic block lists the code-length code's lengths.
constexpr std::uint8_t kLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct Extra {
  std::uint16_t base;
  std::uint8_t bits;
};

// Lengths 3 to 258 and distances 1 to 32768: the extra bits grow by one
// every four (lengths) or two (distances) symbols after the first ones.
struct ExtraTables {
  Extra length[kLengthSymbols] = {};
  Extra distance[kUsedDistances] = {};
  constexpr ExtraTables() {
    std::uint32_t base = 3;
    for (unsigned i = 0; i < kLengthSymbols; ++i) {
      const unsigned bits = i < 8 ? 0 : (i - 4) / 4;
      length[i] = {static_cast<std::uint16_t>(i == kLengthSymbols - 1 ? 258 : base),
                   static_cast<std::uint8_t>(i == kLengthSymbols - 1 ? 0 : bits)};
      base += 1u << bits;
    }
    base = 1;
    for (unsigned i = 0; i < kUsedDistances; ++i) {
      const unsigned bits = i < 4 ? 0 : (i - 2) / 2;
      distance[i] = {static_cast<std::uint16_t>(base), static_cast<std::uint8_t>(bits)};
      base += 1u << bits;
    }
  }
};

constexpr ExtraTables kExtra;

// Where the codes live in codes_.
enum CodeSlot { kFixedLiterals, kFixedDistances, kLiterals, kDistances, kLengthCode, kSlots };

}  // namespace

// A canonical code as counts per length and symbols in code order.
struct Inflate::Code {
  std::uint16_t count[kMaxBits + 1];
  std::uint16_t symbol[kLiteralSymbols];

  // False for lengths that claim more codes than there are patterns. An
  // incomplete code is allowed; its unused patterns decode as errors.
  bool Build(const std::uint8_t* lengths, unsigned n) {
    for (unsigned len = 0; len <= kMaxBits; ++len) count[len] = 0;
    for (unsigned s = 0; s < n; ++s) ++count[lengths[s]];
    int left = 1;
    for (unsigned len = 1; len <= kMaxBits; ++len) {
      left = left * 2 - count[len];
      if (left < 0) return false;
    }
    std::uint16_t offset[kMaxBits + 1];
    offset[1] = 0;
    for (unsigned len = 1; len < kMaxBits; ++len) offset[len + 1] = offset[len] + count[len];
    for (unsigned s = 0; s < n; ++s)
      if (lengths[s] != 0) symbol[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
    return true;
  }

  // The next symbol, or -1 for a pattern no code has.
  int Decode(LsbBitReader& in) const {
    int code = 0, first = 0, index = 0;
    for (unsigned len = 1; len <= kMaxBits; ++len) {
      code |= static_cast<int>(in.Bits(1));
      const int n = count[len];
      if (code - first < n) return symbol[index + code - first];
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    return -1;
  }
};

std::uint8_t LsbBitReader::NextByte() {
  if (pos_ == end_) {
    end_ = ended_ ? 0 : input_.Read(buffer_, sizeof buffer_);
    pos_ = 0;
    if (end_ == 0) {
      ended_ = true;
      return 0;
    }
  }
  return buffer_[pos_++];
}

std::uint32_t LsbBitReader::Bits(unsigned n) {
  while (count_ < n) {
    bits_ |= static_cast<std::uint32_t>(NextByte()) << count_;
    count_ += 8;
  }
  const std::uint32_t value = bits_ & ((1u << n) - 1);
  bits_ >>= n;
  count_ -= n;
  return value;
}

Inflate::Inflate() : ring_(new std::uint8_t[kRingSize]), codes_(new Code[kSlots]) {
  std::uint8_t lengths[kLiteralSymbols];
  for (unsigned s = 0; s < kLiteralSymbols; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  codes_[kFixedLiterals].Build(lengths, kLiteralSymbols);
  for (unsigned s = 0; s < kDistanceSymbols; ++s) lengths[s] = 5;
  codes_[kFixedDistances].Build(lengths, kDistanceSymbols);
}

Inflate::~Inflate() {
  delete[] ring_;
  delete[] codes_;
}

void Inflate::Reset() { pos_ = flushed_ = history_ = 0; }

bool Inflate::Flush(std::uint32_t end) {
  const std::uint32_t from = flushed_;
  flushed_ = pos_;
  return end == from || out_->Write(ring_ + from, end - from);
}

bool Inflate::Emit(std::uint8_t byte) {
  if (left_ == 0) {
    overflow_ = true;
    return false;
  }
  --left_;
  if (history_ < kRingSize) ++history_;
  ring_[pos_] = byte;
  if (++pos_ < kRingSize) return true;
  // A full ring goes out before its oldest bytes are overwritten.
  pos_ = 0;
  return Flush(kRingSize);
}

DecodeError Inflate::Run(LsbBitReader& in, DecodeOutput& out, std::uint64_t limit, std::uint64_t& produced) {
  out_ = &out;
  left_ = limit;
  overflow_ = false;
  // The ring's unwritten part starts here, whatever an earlier stream left.
  flushed_ = pos_;
  DecodeError e = DecodeError::None;
  bool last = false;
  while (!last && e == DecodeError::None) {
    last = in.Bits(1) != 0;
    switch (in.Bits(2)) {
      case 0: e = Stored(in); break;
      case 1: e = Block(in, codes_[kFixedLiterals], codes_[kFixedDistances]); break;
      case 2: e = Dynamic(in); break;
      default: e = DecodeError::Damaged; break;
    }
    if (in.ended()) e = DecodeError::Truncated;
  }
  if (e == DecodeError::None && !Flush(pos_)) e = DecodeError::OutputStopped;
  if (overflow_) e = DecodeError::Damaged;
  produced = limit - left_;
  return e;
}

DecodeError Inflate::Stored(LsbBitReader& in) {
  in.AlignToByte();
  const std::uint32_t length = in.Bits(16);
  if ((in.Bits(16) ^ 0xFFFF) != length) return DecodeError::Damaged;
  for (std::uint32_t i = 0; i < length; ++i) {
    if (!Emit(in.Byte())) return DecodeError::OutputStopped;
    if (in.ended()) return DecodeError::Truncated;
  }
  return DecodeError::None;
}

DecodeError Inflate::Dynamic(LsbBitReader& in) {
  const unsigned literals = in.Bits(5) + 257;
  const unsigned distances = in.Bits(5) + 1;
  const unsigned lengthCodes = in.Bits(4) + 4;
  if (literals > 286 || distances > kUsedDistances) return DecodeError::Damaged;
  std::uint8_t lengths[kLiteralSymbols + kDistanceSymbols] = {};
  for (unsigned i = 0; i < lengthCodes; ++i) lengths[kLengthOrder[i]] = static_cast<std::uint8_t>(in.Bits(3));
  Code& lengthCode = codes_[kLengthCode];
  if (!lengthCode.Build(lengths, 19)) return DecodeError::Damaged;

  const unsigned total = literals + distances;
  for (unsigned i = 0; i < total;) {
    const int symbol = lengthCode.Decode(in);
    if (symbol < 0) return DecodeError::Damaged;
    if (symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t value = 0;
    unsigned repeat;
    if (symbol == 16) {
      if (i == 0) return DecodeError::Damaged;
      value = lengths[i - 1];
      repeat = 3 + in.Bits(2);
    } else {
      repeat = symbol == 17 ? 3 + in.Bits(3) : 11 + in.Bits(7);
    }
    if (i + repeat > total) return DecodeError::Damaged;
    while (repeat-- > 0) lengths[i++] = value;
  }
  if (lengths[kEndOfBlock] == 0) return DecodeError::Damaged;
  if (!codes_[kLiterals].Build(lengths, literals) || !codes_[kDistances].Build(lengths + literals, distances))
    return DecodeError::Damaged;
  return Block(in, codes_[kLiterals], codes_[kDistances]);
}

DecodeError Inflate::Block(LsbBitReader& in, const Code& literals, const Code& distances) {
  for (;;) {
    const int symbol = literals.Decode(in);
    if (in.ended()) return DecodeError::Truncated;
    if (symbol < 0) return DecodeError::Damaged;
    if (symbol < 256) {
      if (!Emit(static_cast<std::uint8_t>(symbol))) return DecodeError::OutputStopped;
      continue;
    }
    if (symbol == kEndOfBlock) return DecodeError::None;
    const unsigned l = static_cast<unsigned>(symbol) - 257;
    if (l >= kLengthSymbols) return DecodeError::Damaged;
    const unsigned length = kExtra.length[l].base + in.Bits(kExtra.length[l].bits);
    const int d = distances.Decode(in);
    if (d < 0 || d >= static_cast<int>(kUsedDistances)) return DecodeError::Damaged;
    const std::uint32_t distance = kExtra.distance[d].base + in.Bits(kExtra.distance[d].bits);
    if (distance > history_) return DecodeError::Damaged;
    for (unsigned i = 0; i < length; ++i) {
      if (!Emit(ring_[(pos_ + kRingSize - distance) % kRingSize])) return DecodeError::OutputStopped;
    }
  }
}

}  // namespace ks::sfx
