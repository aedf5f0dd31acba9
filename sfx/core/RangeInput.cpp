#include "sfx/core/RangeInput.h"

namespace ks::sfx {

Fault CopyStored(DecodeInput& in, std::uint64_t size, DecodeOutput& out) {
  constexpr std::size_t kChunk = 64 * 1024;
  std::uint8_t* chunk = new std::uint8_t[kChunk];
  Fault f = Fault::None;
  while (size > 0 && f == Fault::None) {
    const std::size_t n = in.Read(chunk, size < kChunk ? static_cast<std::size_t>(size) : kChunk);
    if (n == 0) f = Fault::Truncated;
    else if (!out.Write(chunk, n)) f = Fault::Stopped;
    else size -= n;
  }
  delete[] chunk;
  return f;
}

}  // namespace ks::sfx
