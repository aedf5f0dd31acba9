#include "archivers/builtin/ish/IshCodec.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace ks {
namespace {

// A set of characters; each stands for its position in the set. The sets
// are listed as runs of consecutive byte values, in the order of their values.
class Alphabet {
 public:
  Alphabet(std::initializer_list<std::pair<int, int>> runs) {
    value_.fill(-1);
    for (const auto& [first, last] : runs)
      for (int c = first; c <= last; ++c) {
        value_[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(chars_.size());
        chars_.push_back(static_cast<char>(c));
      }
  }
  // The value of a character; -1 for one outside the set.
  int Value(char c) const { return value_[static_cast<unsigned char>(c)]; }
  char Char(unsigned value) const { return chars_.at(value); }

 private:
  std::array<std::int16_t, 256> value_{};
  std::string chars_;
};

// Printable ASCII without "#", "." and "`", which some mail paths change.
const Alphabet& Jis7Set() {
  static const Alphabet set{{0x21, 0x22}, {0x24, 0x2D}, {0x2F, 0x5F}, {0x61, 0x7E}};
  return set;
}

// 71 ASCII characters and 57 half-width katakana; "?" keeps the place of a
// character left out, which is why it stands out of order.
const Alphabet& Jis8Set() {
  static const Alphabet set{{'#', '#'}, {'%', '\''}, {')', ')'}, {'+', ','}, {'?', '?'},
                            {'/', '/'}, {'2', '2'},  {'4', '>'}, {'A', 'I'}, {'K', 'L'},
                            {'N', 'O'}, {'R', 'R'},  {'T', '^'}, {'a', 'n'}, {'p', 'v'},
                            {'x', 'z'}, {'|', '|'},  {0xA1, 0xAC}, {0xAE, 0xB2}, {0xB4, 0xBE},
                            {0xC0, 0xCC}, {0xCE, 0xD2}, {0xD4, 0xDE}};
  return set;
}

// shift_jis: 182 characters that may start a character (single bytes and
// double-byte lead bytes); "0" stands in for the lead byte 0x98.
const Alphabet& SjisFirstSet() {
  static const Alphabet set{{0x40, 0x5F}, {0x61, 0x7E}, {0x27, 0x2F}, {0x89, 0x97},
                            {0x30, 0x30}, {0x99, 0x9F}, {0xA1, 0xE9}, {0x31, 0x3F}};
  return set;
}

// 182 second bytes of double-byte characters.
const Alphabet& SjisTrailSet() {
  static const Alphabet set{{0x40, 0x5F}, {0x61, 0x7E}, {0x80, 0x9F}, {0xA1, 0xF8}};
  return set;
}

// non-kana: the jis7 characters (values 0-90) and 32 double-byte lead bytes
// (91-122).
const Alphabet& NonKanaSet() {
  static const Alphabet set{{0x21, 0x22}, {0x24, 0x2D}, {0x2F, 0x5F}, {0x61, 0x7E},
                            {0x89, 0x97}, {0x99, 0x9F}, {0xE0, 0xE9}};
  return set;
}

// A byte that opens a double-byte character in the Shift-JIS encodings.
bool IsLeadByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xE9);
}

constexpr unsigned kJis7Base = 91;
constexpr unsigned kSjisBase = 182;
constexpr unsigned kNonKanaBase = 123;
// non-kana values below this are two jis7/lead characters in base 123; the
// rest are a lead byte and a second byte in base 182.
constexpr unsigned kNonKanaPairs = kJis7Base * kNonKanaBase;
// Characters of a non-kana line after its first one, counted down while
// coding; what is left at the end tells how the line closes.
constexpr int kNonKanaBudget = 75;

// Reads a record's bits, least significant first; zero past its end.
class BitsIn {
 public:
  explicit BitsIn(const IshRecord& record) : record_(record) {}
  unsigned Take(int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i, ++pos_) {
      const std::size_t byte = pos_ / 8;
      const unsigned bit = byte < record_.size() ? (record_[byte] >> (pos_ % 8)) & 1u : 0u;
      value |= bit << i;
    }
    return value;
  }

 private:
  const IshRecord& record_;
  std::size_t pos_ = 0;
};

// Collects bits least significant first.
class BitsOut {
 public:
  void Put(unsigned value, int count) {
    pending_ |= static_cast<std::uint64_t>(value & ((1u << count) - 1)) << held_;
    held_ += count;
    bits_ += static_cast<std::size_t>(count);
    while (held_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(pending_));
      pending_ >>= 8;
      held_ -= 8;
    }
  }
  // The first `length` bytes; nullopt when fewer bits came.
  std::optional<IshRecord> Record(std::size_t length) {
    if (bits_ < length * 8) return std::nullopt;
    if (held_ > 0) bytes_.push_back(static_cast<std::uint8_t>(pending_));
    bytes_.resize(length);
    return std::move(bytes_);
  }

 private:
  IshRecord bytes_;
  std::uint64_t pending_ = 0;
  int held_ = 0;
  std::size_t bits_ = 0;
};

// Hands out the characters of a line; remembers running past its end.
class LineIn {
 public:
  explicit LineIn(std::string_view line) : line_(line) {}
  char Next() {
    if (pos_ >= line_.size()) {
      short_ = true;
      return '\0';  // in no alphabet
    }
    return line_[pos_++];
  }
  bool tooShort() const { return short_; }

 private:
  std::string_view line_;
  std::size_t pos_ = 0;
  bool short_ = false;
};

// The Shift-JIS encodings switch to the second-byte set after a lead byte, so
// that every double-byte character on the line is whole.
class SjisState {
 public:
  int Decode(char c) {
    if (afterLead_) {
      afterLead_ = false;
      return SjisTrailSet().Value(c);
    }
    afterLead_ = IsLeadByte(c);
    return SjisFirstSet().Value(c);
  }
  char Encode(unsigned value) {
    if (afterLead_) {
      afterLead_ = false;
      return SjisTrailSet().Char(value);
    }
    const char c = SjisFirstSet().Char(value);
    afterLead_ = IsLeadByte(c);
    return c;
  }
  bool afterLead() const { return afterLead_; }

 private:
  bool afterLead_ = false;
};

// A line may not end with a lead byte, so the last character, when it would
// be one (0x89-0x9F for a 7-bit value), is written 0x40 higher, where no
// 7-bit value's character lies.
constexpr unsigned char kLastLeadShift = 0x40;

std::optional<IshRecord> DecodeJis7(std::string_view line) {
  LineIn in(line);
  BitsOut out;
  const Alphabet& set = Jis7Set();
  // The first three bytes (the line number among them) as four 6-bit
  // characters, then 13 bits in every pair of characters.
  for (int i = 0; i < 4; ++i) {
    const int v = set.Value(in.Next());
    if (v < 0 || v >= 64) return std::nullopt;
    out.Put(static_cast<unsigned>(v), 6);
  }
  const std::size_t pairs = (IshLineLength(IshEncoding::Jis7) - 4) / 2;
  for (std::size_t i = 0; i < pairs; ++i) {
    const int hi = set.Value(in.Next());
    const int lo = set.Value(in.Next());
    if (hi < 0 || lo < 0) return std::nullopt;
    const unsigned d = static_cast<unsigned>(hi) * kJis7Base + static_cast<unsigned>(lo);
    if (d > 0x1FFF) return std::nullopt;
    out.Put(d, 13);
  }
  return out.Record(IshRecordLength(IshEncoding::Jis7));
}

std::optional<IshRecord> DecodeJis8(std::string_view line) {
  LineIn in(line);
  BitsOut out;
  for (std::size_t i = 0; i < IshLineLength(IshEncoding::Jis8); ++i) {
    const int v = Jis8Set().Value(in.Next());
    if (v < 0) return std::nullopt;
    out.Put(static_cast<unsigned>(v), 7);
  }
  return out.Record(IshRecordLength(IshEncoding::Jis8));
}

std::optional<IshRecord> DecodeSjis(std::string_view line) {
  LineIn in(line);
  BitsOut out;
  const int first = Jis8Set().Value(in.Next());
  if (first < 0) return std::nullopt;
  out.Put(static_cast<unsigned>(first), 7);
  SjisState state;
  const std::size_t pairs = (IshLineLength(IshEncoding::ShiftJis) - 2) / 2;
  for (std::size_t i = 0; i < pairs; ++i) {
    const int hi = state.Decode(in.Next());
    const int lo = state.Decode(in.Next());
    if (hi < 0 || lo < 0) return std::nullopt;
    const unsigned d = static_cast<unsigned>(hi) * kSjisBase + static_cast<unsigned>(lo);
    if (d > 0x7FFF) return std::nullopt;
    out.Put(d, 15);
  }
  char last = in.Next();
  int v;
  if (state.afterLead()) {
    v = SjisTrailSet().Value(last);
  } else {
    const auto b = static_cast<unsigned char>(last);
    if (b >= 0x89 + kLastLeadShift && b <= 0x9F + kLastLeadShift)
      last = static_cast<char>(b - kLastLeadShift);
    v = SjisFirstSet().Value(last);
  }
  if (v < 0 || v >= 128 || in.tooShort()) return std::nullopt;
  out.Put(static_cast<unsigned>(v), 7);
  return out.Record(IshRecordLength(IshEncoding::ShiftJis));
}

std::optional<IshRecord> DecodeNonKana(std::string_view line) {
  LineIn in(line);
  BitsOut out;
  const Alphabet& set = NonKanaSet();
  const int first = Jis7Set().Value(in.Next());
  if (first < 0) return std::nullopt;
  out.Put(static_cast<unsigned>(first), 8);
  int budget = kNonKanaBudget;
  while (budget >= 0) {
    const int c1 = set.Value(in.Next());
    --budget;
    if (c1 < 0) return std::nullopt;
    if (c1 < static_cast<int>(kJis7Base)) {
      // Two characters for 14 bits; a lead byte as the second one is made
      // whole by a third character with 7 more bits.
      const int c2 = set.Value(in.Next());
      --budget;
      if (c2 < 0) return std::nullopt;
      out.Put(static_cast<unsigned>(c1) * kNonKanaBase + static_cast<unsigned>(c2), 14);
      if (c2 >= static_cast<int>(kJis7Base)) {
        const int t = SjisTrailSet().Value(in.Next());
        --budget;
        if (t < 0 || t >= 128) return std::nullopt;
        out.Put(static_cast<unsigned>(t), 7);
      }
    } else {
      // A whole double-byte character for 14 bits.
      const int t = SjisTrailSet().Value(in.Next());
      --budget;
      if (t < 0) return std::nullopt;
      const unsigned d = static_cast<unsigned>(c1 - static_cast<int>(kJis7Base)) * kSjisBase +
                         static_cast<unsigned>(t) + kNonKanaPairs;
      if (d > 0x3FFF) return std::nullopt;
      out.Put(d, 14);
    }
  }
  if (budget == -1) {
    const int hi = Jis7Set().Value(in.Next());
    const int lo = Jis7Set().Value(in.Next());
    if (hi < 0 || lo < 0) return std::nullopt;
    const unsigned d = static_cast<unsigned>(hi) * kJis7Base + static_cast<unsigned>(lo);
    if (d > 0x1FFF) return std::nullopt;
    out.Put(d, 13);
  } else if (budget == -2) {
    const int v = Jis7Set().Value(in.Next());
    if (v < 0 || v >= 64) return std::nullopt;
    out.Put(static_cast<unsigned>(v), 6);
  }
  if (in.tooShort()) return std::nullopt;
  return out.Record(IshRecordLength(IshEncoding::NonKana));
}

std::string EncodeJis7(const IshRecord& record) {
  BitsIn in(record);
  std::string line;
  for (int i = 0; i < 4; ++i) line += Jis7Set().Char(in.Take(6));
  while (line.size() < IshLineLength(IshEncoding::Jis7)) {
    const unsigned d = in.Take(13);
    line += Jis7Set().Char(d / kJis7Base);
    line += Jis7Set().Char(d % kJis7Base);
  }
  return line;
}

std::string EncodeJis8(const IshRecord& record) {
  BitsIn in(record);
  std::string line;
  while (line.size() < IshLineLength(IshEncoding::Jis8)) line += Jis8Set().Char(in.Take(7));
  return line;
}

std::string EncodeSjis(const IshRecord& record) {
  BitsIn in(record);
  std::string line(1, Jis8Set().Char(in.Take(7)));
  SjisState state;
  while (line.size() < IshLineLength(IshEncoding::ShiftJis) - 1) {
    const unsigned d = in.Take(15);
    line += state.Encode(d / kSjisBase);
    line += state.Encode(d % kSjisBase);
  }
  const unsigned v = in.Take(7);
  if (state.afterLead()) {
    line += SjisTrailSet().Char(v);
  } else {
    char c = SjisFirstSet().Char(v);
    if (IsLeadByte(c)) c = static_cast<char>(static_cast<unsigned char>(c) + kLastLeadShift);
    line += c;
  }
  return line;
}

std::string EncodeNonKana(const IshRecord& record) {
  BitsIn in(record);
  std::string line(1, Jis7Set().Char(in.Take(8)));
  int budget = kNonKanaBudget;
  while (budget >= 0) {
    unsigned d = in.Take(14);
    if (d < kNonKanaPairs) {
      const unsigned second = d % kNonKanaBase;
      line += NonKanaSet().Char(d / kNonKanaBase);
      line += NonKanaSet().Char(second);
      budget -= 2;
      if (second >= kJis7Base) {
        line += SjisTrailSet().Char(in.Take(7));
        --budget;
      }
    } else {
      d -= kNonKanaPairs;
      line += NonKanaSet().Char(kJis7Base + d / kSjisBase);
      line += SjisTrailSet().Char(d % kSjisBase);
      budget -= 2;
    }
  }
  if (budget == -1) {
    const unsigned d = in.Take(13);
    line += Jis7Set().Char(d / kJis7Base);
    line += Jis7Set().Char(d % kJis7Base);
  } else if (budget == -2) {
    line += Jis7Set().Char(in.Take(6));
  }
  return line;
}

}  // namespace

std::size_t IshRecordLength(IshEncoding encoding) {
  switch (encoding) {
    case IshEncoding::Jis7:
      return 63;
    case IshEncoding::Jis8:
    case IshEncoding::NonKana:
      return 69;
    case IshEncoding::ShiftJis:
      return 73;
  }
  return 0;
}

std::size_t IshLineLength(IshEncoding encoding) {
  switch (encoding) {
    case IshEncoding::Jis7:
    case IshEncoding::ShiftJis:
      return 78;
    case IshEncoding::Jis8:
    case IshEncoding::NonKana:
      return 79;
  }
  return 0;
}

const char* IshEncodingName(IshEncoding encoding) {
  switch (encoding) {
    case IshEncoding::Jis7:
      return "jis7";
    case IshEncoding::Jis8:
      return "jis8";
    case IshEncoding::ShiftJis:
      return "shift_jis";
    case IshEncoding::NonKana:
      return "non-kana";
  }
  return "";
}

std::uint16_t IshCrc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc) {
  static const std::array<std::uint16_t, 256> table = [] {
    std::array<std::uint16_t, 256> t{};
    for (unsigned byte = 0; byte < 256; ++byte) {
      auto c = static_cast<std::uint16_t>(byte << 8);
      for (int bit = 0; bit < 8; ++bit)
        c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
      t[byte] = c;
    }
    return t;
  }();
  for (std::size_t i = 0; i < size; ++i)
    crc = static_cast<std::uint16_t>(crc << 8 ^ table[(crc >> 8 ^ data[i]) & 0xFF]);
  return crc;
}

void SealIshRecord(IshRecord& record) {
  const std::size_t n = record.size() - 2;
  const auto crc = static_cast<std::uint16_t>(~IshCrc16(record.data(), n));
  record[n] = static_cast<std::uint8_t>(crc >> 8);
  record[n + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

bool IshRecordSound(const IshRecord& record) {
  if (record.size() < 3) return false;
  const std::size_t n = record.size() - 2;
  const auto crc = static_cast<std::uint16_t>(~IshCrc16(record.data(), n));
  return record[n] == (crc >> 8) && record[n + 1] == (crc & 0xFF);
}

std::optional<IshRecord> DecodeIshLine(IshEncoding encoding, std::string_view line) {
  switch (encoding) {
    case IshEncoding::Jis7:
      return DecodeJis7(line);
    case IshEncoding::Jis8:
      return DecodeJis8(line);
    case IshEncoding::ShiftJis:
      return DecodeSjis(line);
    case IshEncoding::NonKana:
      return DecodeNonKana(line);
  }
  return std::nullopt;
}

std::string EncodeIshLine(IshEncoding encoding, const IshRecord& record) {
  switch (encoding) {
    case IshEncoding::Jis7:
      return EncodeJis7(record);
    case IshEncoding::Jis8:
      return EncodeJis8(record);
    case IshEncoding::ShiftJis:
      return EncodeSjis(record);
    case IshEncoding::NonKana:
      return EncodeNonKana(record);
  }
  return {};
}

}  // namespace ks
