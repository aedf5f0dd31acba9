#include "archivers/builtin/lha/BitReader.h"

namespace ks {

namespace {
constexpr std::size_t kInputBufferSize = 64 * 1024;
}

BitReader::BitReader(DecodeInput& input, std::vector<std::uint8_t>& buffer) : input_(input), buffer_(buffer) {
  if (buffer_.size() < kInputBufferSize) buffer_.resize(kInputBufferSize);
  next_ = end_ = buffer_.data();
}

bool BitReader::FillBuffer() {
  if (ended_) return false;
  const std::size_t n = input_.Read(buffer_.data(), buffer_.size());
  if (n == 0) {
    ended_ = true;
    return false;
  }
  next_ = buffer_.data();
  end_ = next_ + n;
  return true;
}

void BitReader::RefillSlowly() {
  // Byte by byte near the end of the buffer; each byte lands at the same
  // place the fast path would have put it.
  while (count_ <= 56) {
    if (next_ == end_ && !FillBuffer()) {
      ++zeroBytes_;
      count_ += 8;
      continue;
    }
    bits_ |= std::uint64_t{*next_++} << (56 - count_);
    count_ += 8;
  }
}

}  // namespace ks
