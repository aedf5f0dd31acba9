#include "archivers/builtin/arj/ArjFastest.h"

#include <algorithm>
#include <bit>

#include "archivers/builtin/codec/BitReader.h"

namespace ks {
namespace {

constexpr unsigned kLengthPrefix = 7;
constexpr unsigned kDistancePrefix = 4;
constexpr unsigned kDistanceBase = 9;  // width of the shortest distance value
constexpr std::size_t kMinMatch = 3;
// The widest distance value, 13 bits after 2^13 - 512, reaches this far.
constexpr std::size_t kFarthest = (std::size_t{1} << (kDistanceBase + kDistancePrefix + 1)) - 512;

// Takes up to `limit` leading 1 bits and the 0 that ends a shorter run.
inline unsigned TakeOnes(BitReader& in, unsigned limit) {
  const unsigned ones = std::min(static_cast<unsigned>(std::countl_one(in.Word())), limit);
  in.Skip(ones < limit ? ones + 1 : ones);
  return ones;
}

}  // namespace

ArjFastestDecoder::ArjFastestDecoder() : window_(kFarthest) {}

DecodeError ArjFastestDecoder::Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) {
  BitReader in(input, inputBuffer_);
  window_.Start(size, output, std::uint8_t{0});
  while (!window_.Done()) {
    std::uint8_t* out = window_.pos();
    std::uint8_t* const stop = window_.stop();
    while (out < stop) {
      // One literal or match takes at most 7 + 7 + 4 + 13 = 31 bits.
      in.Refill();
      const unsigned w = TakeOnes(in, kLengthPrefix);
      const unsigned n = (1u << w) - 1 + (w ? in.Take(w) : 0);
      if (n == 0) {
        *out++ = static_cast<std::uint8_t>(in.Take(8));
        continue;
      }
      const unsigned width = kDistanceBase + TakeOnes(in, kDistancePrefix);
      const std::size_t distance = (std::size_t{1} << width) - 512 + in.Take(width) + 1;
      DecodeWindow::CopyMatch(out, distance, n - 1 + kMinMatch);
    }
    // Checked before the chunk goes out, so bytes decoded from the zero bits
    // past the end never reach the output.
    if (in.Overrun()) return DecodeError::Truncated;
    if (!window_.Drain(out)) return DecodeError::OutputStopped;
  }
  return DecodeError::None;
}

}  // namespace ks
