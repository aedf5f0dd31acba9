#pragma once
// bzip2 decoding for the stubs of BZA archives, which link no libbz2: the
// Huffman-coded move-to-front symbols, the inverse Burrows-Wheeler
// transform and the final run-length step, with every block's CRC and the
// stream's combined CRC checked.

#include <cstdint>

#include "archivers/builtin/codec/DecodeStream.h"

namespace ks::sfx {

class Bunzip2 {
 public:
  Bunzip2() = default;
  ~Bunzip2();
  Bunzip2(const Bunzip2&) = delete;
  Bunzip2& operator=(const Bunzip2&) = delete;

  // Decodes one bzip2 stream from `input` into `output`; more than `limit`
  // bytes are damage. `produced` tells how many bytes came out.
  DecodeError Run(DecodeInput& input, DecodeOutput& output, std::uint64_t limit, std::uint64_t& produced);

 private:
  std::uint32_t* tt_ = nullptr;  // the block's bytes and their successor links
  std::uint32_t capacity_ = 0;
};

}  // namespace ks::sfx
