#pragma once
// ARJ method 4 ("fastest"): literals and matches without Huffman tables.
// Lengths and distances are Elias-gamma-like codes, most significant bit
// first: a run of 1 bits says how many value bits follow.
//
//   length code: w leading 1 bits (at most 7, a 0 ends a shorter run), then
//                w bits v: n = 2^w - 1 + v. n = 0: an 8-bit literal follows;
//                otherwise a match of n + 2 bytes (3 to 256) whose
//   distance:    k leading 1 bits (at most 4), then 9 + k bits v: the match
//                starts 2^(9+k) - 512 + v + 1 bytes back (1 to 15,872).

#include <cstdint>
#include <vector>

#include "archivers/builtin/codec/DecodeStream.h"
#include "archivers/builtin/codec/DecodeWindow.h"

namespace ks {

class ArjFastestDecoder {
 public:
  ArjFastestDecoder();

  // Decodes one entry of `size` bytes from `input` into `output`, in the
  // manner of StaticHuffmanDecoder::Decode: None only when `size` bytes were
  // written and no bit past the input's end was needed; the caller still
  // checks the CRC.
  DecodeError Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output);

 private:
  DecodeWindow window_;
  std::vector<std::uint8_t> inputBuffer_;
};

}  // namespace ks
