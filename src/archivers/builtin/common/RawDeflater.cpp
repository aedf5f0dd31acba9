#include "archivers/builtin/common/RawDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

namespace ks {

namespace {
// Negative: raw deflate, no zlib or gzip wrapper; 15: the full 32 KiB window.
constexpr int kRawWindow = -15;
constexpr int kMemLevel = 8;  // zlib's default, as gzip(1) and libarchive use
constexpr std::size_t kWindow = 32 * 1024;
}  // namespace

struct RawDeflater::Stream {
  z_stream z{};
};

RawDeflater::RawDeflater(int level) : stream_(new Stream) {
  if (deflateInit2(&stream_->z, level, Z_DEFLATED, kRawWindow, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
    delete stream_;
    throw std::bad_alloc();
  }
}

RawDeflater::~RawDeflater() {
  deflateEnd(&stream_->z);
  delete stream_;
}

void RawDeflater::Deflate(const char* data, std::size_t size, const char* dictionary,
                          std::size_t dictionarySize, bool last, std::vector<char>& out) {
  z_stream& z = stream_->z;
  deflateReset(&z);
  if (dictionarySize > kWindow) {
    dictionary += dictionarySize - kWindow;
    dictionarySize = kWindow;
  }
  if (dictionarySize > 0)
    deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary), static_cast<uInt>(dictionarySize));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  std::size_t left = size;
  for (;;) {
    const uInt chunk = static_cast<uInt>(std::min<std::size_t>(left, UINT_MAX / 2));
    z.avail_in = chunk;
    left -= chunk;
    const bool final = left == 0;
    int r;
    do {
      // Room for what deflate may still hold back plus this round's input.
      const std::size_t room = deflateBound(&z, z.avail_in) + 64;
      const std::size_t at = out.size();
      out.resize(at + room);
      z.next_out = reinterpret_cast<Bytef*>(out.data() + at);
      z.avail_out = static_cast<uInt>(room);
      r = deflate(&z, final ? flush : Z_NO_FLUSH);
      out.resize(out.size() - z.avail_out);
      if (r == Z_MEM_ERROR) throw std::bad_alloc();
    } while (z.avail_out == 0 || (final && last && r != Z_STREAM_END) || z.avail_in > 0);
    if (final) return;
  }
}

std::uint32_t ExtendCrc32(std::uint32_t crc, const char* data, std::size_t size) {
  while (size > 0) {
    const uInt chunk = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX / 2));
    crc = static_cast<std::uint32_t>(::crc32(crc, reinterpret_cast<const Bytef*>(data), chunk));
    data += chunk;
    size -= chunk;
  }
  return crc;
}

std::uint32_t CombineCrc32(std::uint32_t first, std::uint32_t second, std::uint64_t secondSize) {
  return static_cast<std::uint32_t>(crc32_combine(first, second, static_cast<z_off_t>(secondSize)));
}

}  // namespace ks
