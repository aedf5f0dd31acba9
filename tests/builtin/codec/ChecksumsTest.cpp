// CRC-32 as ZIP and ARJ store it, however the data is split.
#include <gtest/gtest.h>

#include <string>

#include "archivers/builtin/codec/Checksums.h"

namespace ks {
namespace {

std::uint32_t Crc(const std::string& text) {
  Crc32 c;
  c.Update(text.data(), text.size());
  return c.value();
}

TEST(Crc32Test, KnownValuesAndAnyPieces) {
  EXPECT_EQ(Crc(""), 0x00000000u);
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  std::string data;
  for (int i = 0; i < 100000; ++i) data += static_cast<char>(i * 7919 >> 3);
  const std::uint32_t whole = Crc(data);
  for (std::size_t piece : {1u, 3u, 4096u, 65537u}) {
    Crc32 c;
    for (std::size_t at = 0; at < data.size(); at += piece)
      c.Update(data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(c.value(), whole) << piece;
  }
}

}  // namespace
}  // namespace ks
