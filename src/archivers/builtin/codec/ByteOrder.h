#pragma once
// Little- and big-endian integers in archive headers. Every format here
// stores its fields byte by byte, whatever the machine's own order, so each
// field is read and written through these few functions.

#include <cstdint>

namespace ks {

inline std::uint16_t LoadLe16(const void* at) {
  const auto* p = static_cast<const std::uint8_t*>(at);
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t LoadLe32(const void* at) {
  const auto* p = static_cast<const std::uint8_t*>(at);
  return LoadLe16(p) | static_cast<std::uint32_t>(LoadLe16(p + 2)) << 16;
}
inline std::uint64_t LoadLe64(const void* at) {
  const auto* p = static_cast<const std::uint8_t*>(at);
  return LoadLe32(p) | static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32;
}
inline std::uint16_t LoadBe16(const void* at) {
  const auto* p = static_cast<const std::uint8_t*>(at);
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t LoadBe32(const void* at) {
  const auto* p = static_cast<const std::uint8_t*>(at);
  return static_cast<std::uint32_t>(LoadBe16(p)) << 16 | LoadBe16(p + 2);
}

inline void StoreLe16(void* at, std::uint32_t v) {
  auto* p = static_cast<std::uint8_t*>(at);
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLe32(void* at, std::uint32_t v) {
  auto* p = static_cast<std::uint8_t*>(at);
  StoreLe16(p, v & 0xFFFF);
  StoreLe16(p + 2, v >> 16);
}
inline void StoreBe16(void* at, std::uint32_t v) {
  auto* p = static_cast<std::uint8_t*>(at);
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

}  // namespace ks
