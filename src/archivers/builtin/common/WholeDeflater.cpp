#include "archivers/builtin/common/WholeDeflater.h"

#include <libdeflate.h>

#include <new>

namespace ks {

WholeDeflater::WholeDeflater(int level) : compressor_(libdeflate_alloc_compressor(level)) {
  if (!compressor_) throw std::bad_alloc();
}

WholeDeflater::~WholeDeflater() { libdeflate_free_compressor(compressor_); }

void WholeDeflater::Deflate(const char* data, std::size_t size, std::vector<char>& out) {
  const std::size_t at = out.size();
  out.resize(at + libdeflate_deflate_compress_bound(compressor_, size));
  // Within the bound it always succeeds.
  const std::size_t packed = libdeflate_deflate_compress(compressor_, data, size, out.data() + at, out.size() - at);
  out.resize(at + packed);
}

}  // namespace ks
