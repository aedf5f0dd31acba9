#pragma once
// Deflate decoding (RFC 1951) for the stubs of GZA archives (gzip members)
// and cabinets (MSZIP blocks): a stub links no zlib. Codes are decoded from
// their canonical counts a bit at a time, which keeps the code small; a
// self-extractor runs once per archive, so size matters more than speed.

#include <cstddef>
#include <cstdint>

#include "archivers/builtin/codec/DecodeStream.h"

namespace ks::sfx {

// Reads bits least significant first, as deflate packs them. Past the end
// of the input it reads zero bits and remembers that it did.
class LsbBitReader {
 public:
  explicit LsbBitReader(DecodeInput& input) : input_(input) {}
  LsbBitReader(const LsbBitReader&) = delete;
  LsbBitReader& operator=(const LsbBitReader&) = delete;

  // Takes `n` bits (0 to 16).
  std::uint32_t Bits(unsigned n);
  // Drops the rest of a partly read byte.
  void AlignToByte() { Bits(count_ % 8); }
  // The next whole byte; call after AlignToByte.
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Bits(8)); }
  bool ended() const { return ended_; }

 private:
  std::uint8_t NextByte();

  DecodeInput& input_;
  std::uint8_t buffer_[4096];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint32_t bits_ = 0;
  unsigned count_ = 0;
  bool ended_ = false;
};

class Inflate {
 public:
  Inflate();
  ~Inflate();
  Inflate(const Inflate&) = delete;
  Inflate& operator=(const Inflate&) = delete;

  // Forgets the history: the next stream may not reach back before it.
  void Reset();
  // Decodes one deflate stream, through its final block, from `in` into
  // `out`. More than `limit` bytes are damage. The history stays for the
  // next stream (MSZIP blocks reach back into the block before). `produced`
  // tells how many bytes came out.
  DecodeError Run(LsbBitReader& in, DecodeOutput& out, std::uint64_t limit, std::uint64_t& produced);

  struct Code;

 private:
  DecodeError Block(LsbBitReader& in, const Code& literals, const Code& distances);
  DecodeError Stored(LsbBitReader& in);
  DecodeError Dynamic(LsbBitReader& in);
  bool Emit(std::uint8_t byte);
  // Hands the ring from the last flush up to `end` to the output.
  bool Flush(std::uint32_t end);

  std::uint8_t* ring_;
  std::uint32_t pos_ = 0;
  std::uint32_t flushed_ = 0;
  std::uint32_t history_ = 0;  // bytes a match may reach back to, at most the ring
  DecodeOutput* out_ = nullptr;
  std::uint64_t left_ = 0;     // of the current stream's limit
  bool overflow_ = false;      // the stream went past its limit
  Code* codes_;                // the fixed codes, a dynamic pair and its code-length code
};

}  // namespace ks::sfx
