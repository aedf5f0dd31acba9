#pragma once
// BLAKE2sp, the hash RAR 5 stores for a file instead of its CRC-32 when the
// archive was made with the BLAKE2 option: eight BLAKE2s leaves, each taking
// every eighth 64-byte block of the data, and a root BLAKE2s over the eight
// leaf digests (RFC 7693 for BLAKE2s; the tree as in the BLAKE2 paper).

#include <array>
#include <cstddef>
#include <cstdint>

namespace ks {

class Blake2s {
 public:
  // One node of a tree of fanout 8 and depth 2 with 32-byte digests.
  Blake2s(std::uint64_t nodeOffset, unsigned nodeDepth, bool lastNode);
  void Update(const std::uint8_t* data, std::size_t size);
  std::array<std::uint8_t, 32> Final();

 private:
  void Compress(const std::uint8_t* block, bool last);

  std::array<std::uint32_t, 8> h_{};
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t counter_ = 0;
  bool lastNode_;
};

class Blake2sp {
 public:
  Blake2sp();
  void Update(const void* data, std::size_t size);
  std::array<std::uint8_t, 32> Final();

 private:
  std::array<Blake2s, 8> leaves_;
  std::uint64_t total_ = 0;  // bytes taken so far: says which leaf is next
};

}  // namespace ks
