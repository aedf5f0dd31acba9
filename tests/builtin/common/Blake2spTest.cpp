// BLAKE2sp against digests from an independent implementation (Python's
// hashlib.blake2s with the tree parameters), fed in uneven pieces: lengths
// around the 64-byte block and the 512-byte stripe of eight leaves.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "archivers/builtin/common/Blake2sp.h"

namespace ks::test {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t n) {
  std::vector<std::uint8_t> data(n);
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return data;
}

std::string Hex(const std::array<std::uint8_t, 32>& digest) {
  std::string out;
  char two[3];
  for (std::uint8_t b : digest) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

TEST(Blake2sp, MatchesAnIndependentImplementationHoweverTheDataIsFed) {
  const std::pair<std::size_t, const char*> known[] = {
      {0, "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f"},
      {3, "0e3876e610c455f48bf12d4a369f922eee30524b5e48775e0b09a4739c671a9c"},
      {64, "9ba0c37f1ab9fdd4b656b42702049eec67f76c1ef76c3722b7b1e2a019674230"},
      {512, "08a65a68f54f72077155adc2e339db1dec6c860f640cb47584cb2f2d8977a8c1"},
      {513, "f405ed3422923e4cd0d141ab4ff130914fff2eb9e7f49588a5c02387e5d343ac"},
      {1000, "29ded360f74fde02697a0495c85859aa2c4968cce40fba406ff33bc55c3d246e"},
      {4096, "7f57b0e181aad61490f9802d75fa8be7b28f2dd123d017a3cdc26acfb4e43ba0"},
      {100000, "566059c008dd96a7d73fd5a20618a5d1fab85a352bec235f92ae098e497f07c5"},
  };
  for (const auto& [size, digest] : known) {
    SCOPED_TRACE(size);
    const auto data = Pattern(size);
    Blake2sp whole;
    whole.Update(data.data(), data.size());
    EXPECT_EQ(Hex(whole.Final()), digest);

    Blake2sp pieces;
    std::size_t pos = 0, step = 1;
    while (pos < data.size()) {
      const std::size_t n = std::min(step, data.size() - pos);
      pieces.Update(data.data() + pos, n);
      pos += n;
      step = step * 3 % 97 + 1;
    }
    EXPECT_EQ(Hex(pieces.Final()), digest);
  }
}

}  // namespace
}  // namespace ks::test
