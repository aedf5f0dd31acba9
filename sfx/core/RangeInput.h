#pragma once
// The coded bytes of one entry, read from the archive in pieces, and how a
// decoder's outcome reads as a stub's fault.

#include "archivers/builtin/codec/DecodeStream.h"
#include "sfx/core/StubArchive.h"

namespace ks::sfx {

class RangeInput : public DecodeInput {
 public:
  RangeInput(Source& source, std::uint64_t offset, std::uint64_t size)
      : source_(source), offset_(offset), left_(size) {}

  std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override {
    const std::uint64_t end = source_.Size();
    std::uint64_t n = left_ < capacity ? left_ : capacity;
    if (offset_ >= end) return 0;
    if (n > end - offset_) n = end - offset_;
    if (n == 0 || !source_.ReadAt(offset_, buffer, static_cast<std::size_t>(n))) return 0;
    offset_ += n;
    left_ -= n;
    return static_cast<std::size_t>(n);
  }
  // Bytes of the range not read yet.
  std::uint64_t left() const { return left_; }

 private:
  Source& source_;
  std::uint64_t offset_;
  std::uint64_t left_;
};

inline Fault FaultOf(DecodeError e) {
  switch (e) {
    case DecodeError::None: return Fault::None;
    case DecodeError::Truncated: return Fault::Truncated;
    case DecodeError::Damaged: return Fault::Damaged;
    case DecodeError::OutputStopped: return Fault::Stopped;
  }
  return Fault::Damaged;
}

// Copies `size` bytes of `in` to `out` as they are (a stored entry).
Fault CopyStored(DecodeInput& in, std::uint64_t size, DecodeOutput& out);

}  // namespace ks::sfx
