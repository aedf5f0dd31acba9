#pragma once
// Running checksums over streamed data.

#include <cstddef>
#include <cstdint>

namespace ks {

// CRC-32 as ZIP, PNG and zlib compute it (reflected polynomial 0xEDB88320).
class Crc32 {
 public:
  void Update(const void* data, std::size_t size);
  std::uint32_t value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

// The checksum of the POSIX `cksum` utility: CRC-32 with polynomial
// 0x04C11DB7 taken most significant bit first, over the data followed by its
// length in as few bytes as it needs (least significant first), inverted.
// It lets a plain shell script verify a file with nothing but `cksum`.
class PosixCksum {
 public:
  void Update(const void* data, std::size_t size);
  std::uint32_t value() const;

 private:
  std::uint32_t state_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace ks
