#include "archivers/builtin/codec/BitWriter.h"

namespace ks {

void BitWriter::Drain() {
  while (bits_ >= 8) {
    bits_ -= 8;
    out_.push_back(static_cast<std::uint8_t>(acc_ >> bits_));
  }
  acc_ &= (std::uint64_t{1} << bits_) - 1;
}

void BitWriter::Flush() {
  Drain();
  if (bits_ > 0) {
    out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - bits_)));
    bits_ = 0;
    acc_ = 0;
  }
}

}  // namespace ks
