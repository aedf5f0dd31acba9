#pragma once
// Byte tables of the CRC-32 polynomial 0x04C11DB7 in its two bit orders,
// built at compile time: reflected (ZIP, gzip, PNG) and most significant
// bit first (bzip2, POSIX cksum). Header-only, so the self-extractor stubs,
// which link no library, compute the same checksums as the back-ends.

#include <array>
#include <cstdint>

namespace ks {

constexpr std::array<std::uint32_t, 256> MakeReflectedCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> MakeForwardCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    table[i] = c;
  }
  return table;
}

inline constexpr std::array<std::uint32_t, 256> kReflectedCrc32Table = MakeReflectedCrc32Table();
inline constexpr std::array<std::uint32_t, 256> kForwardCrc32Table = MakeForwardCrc32Table();

// One byte into a running CRC (the caller starts and finishes it with the
// format's inversions).
inline std::uint32_t ReflectedCrc32Byte(std::uint32_t state, std::uint8_t byte) {
  return (state >> 8) ^ kReflectedCrc32Table[(state ^ byte) & 0xFF];
}
inline std::uint32_t ForwardCrc32Byte(std::uint32_t state, std::uint8_t byte) {
  return (state << 8) ^ kForwardCrc32Table[((state >> 24) ^ byte) & 0xFF];
}

}  // namespace ks
