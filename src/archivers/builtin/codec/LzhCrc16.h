#pragma once
// The CRC-16 of LHA archives (reflected polynomial 0xA001, start 0), over
// each file's data and over each level-2 header.

#include <cstddef>
#include <cstdint>

namespace ks {

class LzhCrc16 {
 public:
  void Update(const void* data, std::size_t size);
  std::uint16_t value() const { return state_; }

 private:
  std::uint16_t state_ = 0;
};

// The CRC-16 of one piece of memory.
std::uint16_t LzhCrc16Of(const void* data, std::size_t size);

}  // namespace ks
