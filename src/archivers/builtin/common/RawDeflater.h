#pragma once
// zlib's deflate without a wrapper, kept between uses so that compressing
// many small pieces does not set up its tables each time.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ks {

class RawDeflater {
 public:
  // `level` 1 to 9, as zlib's.
  explicit RawDeflater(int level);
  ~RawDeflater();
  RawDeflater(const RawDeflater&) = delete;
  RawDeflater& operator=(const RawDeflater&) = delete;

  // Appends to `out` the deflate data of `size` bytes at `data`, with the
  // `dictionarySize` bytes at `dictionary` as what came before them (their
  // matches may reach back into it). `last` ends the stream; otherwise the
  // data ends on a byte boundary (an empty stored block), so the next
  // piece's data can simply follow. Throws std::bad_alloc when zlib cannot
  // get its memory.
  void Deflate(const char* data, std::size_t size, const char* dictionary,
               std::size_t dictionarySize, bool last, std::vector<char>& out);

 private:
  struct Stream;
  Stream* stream_;
};

// The CRC-32 of ZIP and gzip, continued from `crc`.
std::uint32_t ExtendCrc32(std::uint32_t crc, const char* data, std::size_t size);
// The CRC-32 of two pieces one after the other, from theirs.
std::uint32_t CombineCrc32(std::uint32_t first, std::uint32_t second, std::uint64_t secondSize);

}  // namespace ks
