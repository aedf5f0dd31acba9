#include "archivers/builtin/codec/StaticHuffmanDecoder.h"

#include <algorithm>
#include <array>

#include "archivers/builtin/codec/BitReader.h"
#include "archivers/builtin/codec/DecodeWindow.h"
#include "archivers/builtin/codec/HuffmanDecoder.h"

namespace ks {

namespace {

constexpr unsigned kLengthCodes = 19;      // symbols of the code-length code
constexpr unsigned kLengthCountBits = 5;
constexpr unsigned kLiteralCodes = 510;    // 256 literals + 254 match lengths
constexpr unsigned kLiteralCountBits = 9;
constexpr unsigned kMinMatch = 3;
// Root table sizes: the literal table covers most codes in one look yet
// stays in the first-level cache.
constexpr unsigned kLengthRootBits = 8;
constexpr unsigned kLiteralRootBits = 11;
constexpr unsigned kPositionRootBits = 8;
// A count field can announce more symbols than the alphabet has; those extra
// lengths are read and must be zero.
constexpr std::size_t kMostLengths = std::size_t{1} << kLiteralCountBits;

}  // namespace

struct StaticHuffmanDecoder::State {
  explicit State(const StaticHuffmanFormat& f)
      : format(f), window(std::size_t{1} << (f.positionCodes - 1)) {}

  StaticHuffmanFormat format;
  DecodeWindow window;
  std::vector<std::uint8_t> inputBuffer;
  HuffmanDecoder lengthCode{kLengthRootBits};
  HuffmanDecoder literalCode{kLiteralRootBits};
  HuffmanDecoder positionCode{kPositionRootBits};

  // The block's symbol count, or -1 when its tables are not sound.
  std::int64_t ReadBlockStart(BitReader& in);
  bool ReadLengths(BitReader& in, HuffmanDecoder& code, unsigned symbols, unsigned countBits, int zeroRunAfter);
  bool ReadLiteralLengths(BitReader& in);
};

namespace {

// A length of the code-length and position codes: 0-6 in three bits,
// 7 and more as 111 and one 1 per extra unit up to a 0.
bool ReadCodeLength(BitReader& in, std::uint8_t& length) {
  unsigned len = in.Read(3);
  if (len == 7) {
    while (in.Read(1)) {
      if (++len > HuffmanDecoder::kMaxCodeBits) return false;
    }
  }
  length = static_cast<std::uint8_t>(len);
  return true;
}

// The lengths past `symbols` must be unused; the code is built from the rest.
bool BuildFrom(HuffmanDecoder& code, const std::uint8_t* lengths, std::size_t read, std::size_t symbols) {
  for (std::size_t s = symbols; s < read; ++s)
    if (lengths[s] != 0) return false;
  return code.Build(lengths, std::min(read, symbols));
}

}  // namespace

bool StaticHuffmanDecoder::State::ReadLengths(BitReader& in, HuffmanDecoder& code, unsigned symbols,
                                              unsigned countBits, int zeroRunAfter) {
  const unsigned n = in.Read(countBits);
  if (n == 0) {
    const unsigned only = in.Read(countBits);
    if (only >= symbols) return false;
    code.BuildSingle(static_cast<std::uint16_t>(only));
    return true;
  }
  std::array<std::uint8_t, kMostLengths> lengths{};
  unsigned i = 0;
  while (i < n) {
    if (!ReadCodeLength(in, lengths[i])) return false;
    ++i;
    if (static_cast<int>(i) == zeroRunAfter) i = std::min(n, i + in.Read(2));
  }
  return BuildFrom(code, lengths.data(), n, symbols);
}

bool StaticHuffmanDecoder::State::ReadLiteralLengths(BitReader& in) {
  const unsigned n = in.Read(kLiteralCountBits);
  if (n == 0) {
    const unsigned only = in.Read(kLiteralCountBits);
    if (only >= kLiteralCodes) return false;
    literalCode.BuildSingle(static_cast<std::uint16_t>(only));
    return true;
  }
  std::array<std::uint8_t, kMostLengths> lengths{};
  unsigned i = 0;
  while (i < n) {
    in.Refill();
    const int c = lengthCode.Decode(in);
    if (c < 0) return false;
    if (c > 2) {
      lengths[i++] = static_cast<std::uint8_t>(c - 2);
      continue;
    }
    const unsigned zeros = c == 0 ? 1 : c == 1 ? in.Read(4) + 3 : in.Read(kLiteralCountBits) + 20;
    i = std::min(n, i + zeros);
  }
  return BuildFrom(literalCode, lengths.data(), n, kLiteralCodes);
}

std::int64_t StaticHuffmanDecoder::State::ReadBlockStart(BitReader& in) {
  const std::uint32_t symbols = in.Read(16);
  const bool sound = ReadLengths(in, lengthCode, kLengthCodes, kLengthCountBits, 3) && ReadLiteralLengths(in) &&
                     ReadLengths(in, positionCode, format.positionCodes, format.positionCountBits, -1);
  return sound ? std::int64_t{symbols} : std::int64_t{-1};
}

StaticHuffmanDecoder::StaticHuffmanDecoder(const StaticHuffmanFormat& format)
    : state_(std::make_unique<State>(format)) {}

StaticHuffmanDecoder::~StaticHuffmanDecoder() = default;

DecodeError StaticHuffmanDecoder::Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) {
  State& st = *state_;
  BitReader reader(input, st.inputBuffer);
  // The cursor and the code tables stay in locals: the loop's byte stores
  // could alias anything reached through a pointer.
  BitCursor in = reader.cursor();
  auto literals = st.literalCode.lookup<kLiteralRootBits>();
  auto positions = st.positionCode.lookup<kPositionRootBits>();
  auto failure = [&] { return reader.Overrun(in) ? DecodeError::Truncated : DecodeError::Damaged; };
  st.window.Start(size, output);
  std::uint32_t blockLeft = 0;
  while (!st.window.Done()) {
    std::uint8_t* out = st.window.pos();
    std::uint8_t* const stop = st.window.stop();
    while (out < stop) {
      if (blockLeft == 0) {
        // Every block start takes bits, so a run of empty blocks ends at
        // the end of the input.
        if (reader.Overrun(in)) return DecodeError::Truncated;
        reader.SetCursor(in);
        const std::int64_t symbols = st.ReadBlockStart(reader);
        in = reader.cursor();
        if (symbols < 0) return failure();
        blockLeft = static_cast<std::uint32_t>(symbols);
        literals = st.literalCode.lookup<kLiteralRootBits>();
        positions = st.positionCode.lookup<kPositionRootBits>();
        continue;
      }
      --blockLeft;
      reader.Refill(in);
      int c = literals.Decode(in);
      if (c < 256) {
        if (c < 0) return failure();
        *out++ = static_cast<std::uint8_t>(c);
        // A literal took at most 16 of the refilled bits: the next symbol
        // can be decoded without a refill, and in text it is often a literal.
        if (blockLeft == 0 || out >= stop) continue;
        c = literals.Decode(in);
        if (c < 0) return failure();
        --blockLeft;
        if (c < 256) {
          *out++ = static_cast<std::uint8_t>(c);
          continue;
        }
        reader.Refill(in);
      }
      const int p = positions.Decode(in);
      if (p < 0) return failure();
      std::size_t distance = static_cast<std::size_t>(p);
      if (p >= 2) distance = (std::size_t{1} << (p - 1)) + in.Take(static_cast<unsigned>(p - 1));
      DecodeWindow::CopyMatch(out, distance + 1, static_cast<std::size_t>(c) - 256 + kMinMatch);
    }
    // Checked before the chunk goes out, so bytes decoded from the zero
    // bits past the end never reach the output.
    if (reader.Overrun(in)) return DecodeError::Truncated;
    if (!st.window.Drain(out)) return DecodeError::OutputStopped;
  }
  return DecodeError::None;
}

}  // namespace ks
