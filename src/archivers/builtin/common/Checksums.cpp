#include "archivers/builtin/common/Checksums.h"

#include <array>

namespace ks {
namespace {

constexpr std::array<std::uint32_t, 256> MakeReflectedTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> MakeForwardTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    table[i] = c;
  }
  return table;
}

constexpr auto kReflected = MakeReflectedTable();
constexpr auto kForward = MakeForwardTable();

std::uint32_t ForwardByte(std::uint32_t state, std::uint8_t byte) {
  return (state << 8) ^ kForward[((state >> 24) ^ byte) & 0xFF];
}

}  // namespace

void Crc32::Update(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = state_;
  for (std::size_t i = 0; i < size; ++i) c = kReflected[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  state_ = c;
}

void PosixCksum::Update(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = state_;
  for (std::size_t i = 0; i < size; ++i) c = ForwardByte(c, p[i]);
  state_ = c;
  length_ += size;
}

std::uint32_t PosixCksum::value() const {
  std::uint32_t c = state_;
  for (std::uint64_t n = length_; n != 0; n >>= 8) c = ForwardByte(c, static_cast<std::uint8_t>(n));
  return ~c;
}

}  // namespace ks
