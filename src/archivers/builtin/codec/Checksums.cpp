#include "archivers/builtin/codec/Checksums.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "archivers/builtin/codec/CrcTables.h"

namespace ks {

void Crc32::Update(const void* data, std::size_t size) {
  // zlib's CRC-32 works on several bytes at a time, a few times faster than
  // a table lookup per byte; checking every extracted byte is otherwise
  // most of the work of decoding fast methods. It takes the finished value.
  const auto* p = static_cast<const Bytef*>(data);
  uLong c = ~state_;
  while (size > 0) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(size, std::numeric_limits<uInt>::max()));
    c = ::crc32(c, p, n);
    p += n;
    size -= n;
  }
  state_ = ~static_cast<std::uint32_t>(c);
}

void PosixCksum::Update(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = state_;
  for (std::size_t i = 0; i < size; ++i) c = ForwardCrc32Byte(c, p[i]);
  state_ = c;
  length_ += size;
}

std::uint32_t PosixCksum::value() const {
  std::uint32_t c = state_;
  for (std::uint64_t n = length_; n != 0; n >>= 8) c = ForwardCrc32Byte(c, static_cast<std::uint8_t>(n));
  return ~c;
}

}  // namespace ks
