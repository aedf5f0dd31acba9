#include "archivers/builtin/codec/LzhCrc16.h"

#include <array>

namespace ks {

namespace {

// Eight tables let the loop take eight bytes per step ("slicing by eight");
// packing hundreds of megabytes spends noticeable time here otherwise.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

Tables MakeTables() {
  Tables t{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t c = static_cast<std::uint16_t>(i);
    for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : c >> 1;
    t[0][i] = c;
  }
  for (unsigned i = 0; i < 256; ++i)
    for (int k = 1; k < 8; ++k)
      t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
  return t;
}

const Tables& TheTables() {
  static const Tables tables = MakeTables();
  return tables;
}

}  // namespace

void LzhCrc16::Update(const void* data, std::size_t size) {
  const Tables& t = TheTables();
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint16_t crc = state_;
  while (size >= 8) {
    const unsigned b0 = (p[0] ^ crc) & 0xFF, b1 = (p[1] ^ (crc >> 8)) & 0xFF;
    crc = static_cast<std::uint16_t>(t[7][b0] ^ t[6][b1] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^
                                     t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]]);
    p += 8;
    size -= 8;
  }
  while (size-- > 0) crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
  state_ = crc;
}

std::uint16_t LzhCrc16Of(const void* data, std::size_t size) {
  LzhCrc16 crc;
  crc.Update(data, size);
  return crc.value();
}

}  // namespace ks
