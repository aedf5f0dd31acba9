#pragma once
// Deflate for data held whole in memory, through libdeflate: at the same
// level it compresses about twice as fast as zlib, and a little smaller.
// It cannot carry a window from earlier data, so streamed data (a large
// file, a tar.gz cut into blocks) still go through RawDeflater.

#include <cstddef>
#include <vector>

struct libdeflate_compressor;

namespace ks {

class WholeDeflater {
 public:
  // `level` 1 to 9, read as zlib's. Throws std::bad_alloc when libdeflate
  // cannot get its memory.
  explicit WholeDeflater(int level);
  ~WholeDeflater();
  WholeDeflater(const WholeDeflater&) = delete;
  WholeDeflater& operator=(const WholeDeflater&) = delete;

  // Appends to `out` one complete deflate stream of the `size` bytes at `data`.
  void Deflate(const char* data, std::size_t size, std::vector<char>& out);

 private:
  libdeflate_compressor* compressor_;
};

}  // namespace ks
