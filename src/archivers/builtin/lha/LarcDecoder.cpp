#include "archivers/builtin/lha/LarcDecoder.h"

#include "archivers/builtin/codec/BitReader.h"

namespace ks {

namespace {

constexpr std::size_t kLzsRing = 2048;
constexpr std::size_t kLzsFirstWrite = kLzsRing - 17;
constexpr std::size_t kLzsMinMatch = 2;
constexpr std::size_t kLz5Ring = 4096;
constexpr std::size_t kLz5FirstWrite = kLz5Ring - 18;
constexpr std::size_t kLz5MinMatch = 3;

// The ring as the -lz5- encoder prepares it, before anything is written.
std::vector<std::uint8_t> Lz5StartRing() {
  std::vector<std::uint8_t> ring;
  ring.reserve(kLz5Ring);
  for (unsigned v = 0; v < 256; ++v) ring.insert(ring.end(), 13, static_cast<std::uint8_t>(v));
  for (unsigned v = 0; v < 256; ++v) ring.push_back(static_cast<std::uint8_t>(v));
  for (unsigned v = 0; v < 256; ++v) ring.push_back(static_cast<std::uint8_t>(255 - v));
  ring.insert(ring.end(), 128, 0);
  ring.insert(ring.end(), kLz5Ring - 18 - ring.size(), ' ');
  ring.insert(ring.end(), 18, 0);
  return ring;
}

// The distance back from the ring's write position to an absolute ring
// position: 1 to the ring size (the ring size names the oldest byte).
std::size_t DistanceTo(std::size_t writeAt, std::size_t position, std::size_t ring) {
  const std::size_t d = (writeAt - position) & (ring - 1);
  return d == 0 ? ring : d;
}

// The loop both methods share: `step` decodes one command into `out` and
// moves `writeAt`, the absolute ring position of the next byte.
template <typename Step>
DecodeError RunLarc(DecodeWindow& window, BitReader& in, Step step) {
  while (!window.Done()) {
    std::uint8_t* out = window.pos();
    std::uint8_t* const stop = window.stop();
    while (out < stop) step(out);
    if (in.Overrun()) return DecodeError::Truncated;
    if (!window.Drain(out)) return DecodeError::OutputStopped;
  }
  return DecodeError::None;
}

}  // namespace

LzsDecoder::LzsDecoder() : window_(kLzsRing) {}

DecodeError LzsDecoder::Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) {
  BitReader in(input, inputBuffer_);
  window_.Start(size, output);
  std::size_t writeAt = kLzsFirstWrite;
  return RunLarc(window_, in, [&](std::uint8_t*& out) {
    in.Refill();
    if (in.Take(1)) {
      *out++ = static_cast<std::uint8_t>(in.Take(8));
      writeAt = (writeAt + 1) & (kLzsRing - 1);
      return;
    }
    const std::size_t position = in.Take(11);
    const std::size_t length = in.Take(4) + kLzsMinMatch;
    DecodeWindow::CopyMatch(out, DistanceTo(writeAt, position, kLzsRing), length);
    writeAt = (writeAt + length) & (kLzsRing - 1);
  });
}

Lz5Decoder::Lz5Decoder() : window_(kLz5Ring), initialHistory_(kLz5Ring) {
  // The window holds the ring unrolled so that its last byte is the one
  // just before the first write.
  const std::vector<std::uint8_t> ring = Lz5StartRing();
  for (std::size_t k = 0; k < kLz5Ring; ++k) initialHistory_[k] = ring[(k + kLz5FirstWrite) & (kLz5Ring - 1)];
}

DecodeError Lz5Decoder::Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) {
  BitReader in(input, inputBuffer_);
  window_.Start(size, output, initialHistory_.data());
  std::size_t writeAt = kLz5FirstWrite;
  unsigned flags = 0;  // the flag byte, shifted; bit 8 marks it spent
  return RunLarc(window_, in, [&](std::uint8_t*& out) {
    in.Refill();
    if (flags <= 1) flags = in.Take(8) | 0x100;
    const bool literal = flags & 1;
    flags >>= 1;
    if (literal) {
      *out++ = static_cast<std::uint8_t>(in.Take(8));
      writeAt = (writeAt + 1) & (kLz5Ring - 1);
      return;
    }
    const unsigned low = in.Take(8), high = in.Take(8);
    const std::size_t position = low | (high & 0xF0) << 4;
    const std::size_t length = (high & 0x0F) + kLz5MinMatch;
    DecodeWindow::CopyMatch(out, DistanceTo(writeAt, position, kLz5Ring), length);
    writeAt = (writeAt + length) & (kLz5Ring - 1);
  });
}

}  // namespace ks
