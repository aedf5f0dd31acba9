#include "archivers/builtin/common/Blake2sp.h"

#include <algorithm>
#include <cstring>

#include "archivers/builtin/codec/ByteOrder.h"

namespace ks {
namespace {

constexpr std::array<std::uint32_t, 8> kIv = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                              0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

constexpr std::uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

constexpr unsigned kFanout = 8;
constexpr std::size_t kBlock = 64;

std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }


void G(std::uint32_t v[16], int a, int b, int c, int d, std::uint32_t x, std::uint32_t y) {
  v[a] = v[a] + v[b] + x;
  v[d] = Rotr(v[d] ^ v[a], 16);
  v[c] = v[c] + v[d];
  v[b] = Rotr(v[b] ^ v[c], 12);
  v[a] = v[a] + v[b] + y;
  v[d] = Rotr(v[d] ^ v[a], 8);
  v[c] = v[c] + v[d];
  v[b] = Rotr(v[b] ^ v[c], 7);
}

}  // namespace

Blake2s::Blake2s(std::uint64_t nodeOffset, unsigned nodeDepth, bool lastNode) : lastNode_(lastNode) {
  // The parameter block, word by word: digest length 32, no key, the
  // fanout, depth 2; leaf length 0; the node offset (48 bits); the node
  // depth and the inner digest length 32; no salt or personalisation.
  const std::uint32_t params[8] = {32u | (kFanout << 16) | (2u << 24),
                                   0,
                                   static_cast<std::uint32_t>(nodeOffset),
                                   static_cast<std::uint32_t>((nodeOffset >> 32) & 0xFFFF) | (nodeDepth << 16) |
                                       (32u << 24),
                                   0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) h_[i] = kIv[i] ^ params[i];
}

void Blake2s::Compress(const std::uint8_t* block, bool last) {
  std::uint32_t m[16], v[16];
  for (int i = 0; i < 16; ++i) m[i] = LoadLe32(block + 4 * i);
  for (int i = 0; i < 8; ++i) v[i] = h_[i], v[i + 8] = kIv[i];
  v[12] ^= static_cast<std::uint32_t>(counter_);
  v[13] ^= static_cast<std::uint32_t>(counter_ >> 32);
  if (last) {
    v[14] = ~v[14];
    if (lastNode_) v[15] = ~v[15];
  }
  for (const auto& s : kSigma) {
    G(v, 0, 4, 8, 12, m[s[0]], m[s[1]]);
    G(v, 1, 5, 9, 13, m[s[2]], m[s[3]]);
    G(v, 2, 6, 10, 14, m[s[4]], m[s[5]]);
    G(v, 3, 7, 11, 15, m[s[6]], m[s[7]]);
    G(v, 0, 5, 10, 15, m[s[8]], m[s[9]]);
    G(v, 1, 6, 11, 12, m[s[10]], m[s[11]]);
    G(v, 2, 7, 8, 13, m[s[12]], m[s[13]]);
    G(v, 3, 4, 9, 14, m[s[14]], m[s[15]]);
  }
  for (int i = 0; i < 8; ++i) h_[i] ^= v[i] ^ v[i + 8];
}

void Blake2s::Update(const std::uint8_t* data, std::size_t size) {
  // The last block is compressed differently, so a full buffer waits until
  // more data shows it was not the last.
  while (size > 0) {
    if (buffered_ == kBlock) {
      counter_ += kBlock;
      Compress(buffer_.data(), false);
      buffered_ = 0;
    }
    const std::size_t n = std::min(size, kBlock - buffered_);
    std::memcpy(buffer_.data() + buffered_, data, n);
    buffered_ += n;
    data += n;
    size -= n;
  }
}

std::array<std::uint8_t, 32> Blake2s::Final() {
  counter_ += buffered_;
  std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(buffered_), buffer_.end(), 0);
  Compress(buffer_.data(), true);
  std::array<std::uint8_t, 32> out;
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 4; ++k) out[4 * i + k] = static_cast<std::uint8_t>(h_[i] >> (8 * k));
  return out;
}

Blake2sp::Blake2sp()
    : leaves_{Blake2s(0, 0, false), Blake2s(1, 0, false), Blake2s(2, 0, false), Blake2s(3, 0, false),
              Blake2s(4, 0, false), Blake2s(5, 0, false), Blake2s(6, 0, false), Blake2s(7, 0, true)} {}

void Blake2sp::Update(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const std::size_t leaf = static_cast<std::size_t>((total_ / kBlock) % kFanout);
    const std::size_t n = std::min<std::size_t>(size, kBlock - total_ % kBlock);
    leaves_[leaf].Update(p, n);
    p += n;
    size -= n;
    total_ += n;
  }
}

std::array<std::uint8_t, 32> Blake2sp::Final() {
  Blake2s root(0, 1, true);
  for (Blake2s& leaf : leaves_) {
    const auto digest = leaf.Final();
    root.Update(digest.data(), digest.size());
  }
  return root.Final();
}

}  // namespace ks
