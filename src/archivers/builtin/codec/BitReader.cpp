#include "archivers/builtin/codec/BitReader.h"

namespace ks {

namespace {
constexpr std::size_t kInputBufferSize = 64 * 1024;
}

BitReader::BitReader(DecodeInput& input, std::vector<std::uint8_t>& buffer) : input_(input), buffer_(buffer) {
  if (buffer_.size() < kInputBufferSize) buffer_.resize(kInputBufferSize);
  c_.next = c_.end = buffer_.data();
}

bool BitReader::FillBuffer() {
  if (ended_) return false;
  const std::size_t n = input_.Read(buffer_.data(), buffer_.size());
  if (n == 0) {
    ended_ = true;
    return false;
  }
  c_.next = buffer_.data();
  c_.end = c_.next + n;
  return true;
}

void BitReader::RefillSlowly() {
  // Byte by byte near the end of the buffer; each byte lands at the same
  // place the fast path would have put it.
  while (c_.count <= 56) {
    if (c_.next == c_.end && !FillBuffer()) {
      ++zeroBytes_;
      c_.count += 8;
      continue;
    }
    c_.bits |= std::uint64_t{*c_.next++} << (56 - c_.count);
    c_.count += 8;
  }
}

}  // namespace ks
