#include "archivers/builtin/codec/DecodeWindow.h"

#include <algorithm>

namespace ks {

namespace {
// Decoded bytes handed on per DecodeOutput::Write; large enough that moving
// the history to the front costs little, small enough to stay in cache.
constexpr std::size_t kChunk = 128 * 1024;
// Room after a chunk for the last match and the 8-byte copy overrun.
constexpr std::size_t kSlack = DecodeWindow::kMaxMatch + 16;
}  // namespace

DecodeWindow::DecodeWindow(std::size_t history)
    : history_(history), buffer_(history + kChunk + kSlack) {}

void DecodeWindow::Start(std::uint64_t size, DecodeOutput& output, std::uint8_t fill) {
  std::memset(buffer_.data(), fill, history_);
  pos_ = pending_ = buffer_.data() + history_;
  remaining_ = size;
  output_ = &output;
  SetStop();
}

void DecodeWindow::Start(std::uint64_t size, DecodeOutput& output, const std::uint8_t* history) {
  Start(size, output, std::uint8_t{0});
  std::memcpy(buffer_.data(), history, history_);
}

void DecodeWindow::SetStop() {
  const std::size_t room = kChunk - static_cast<std::size_t>(pending_ - (buffer_.data() + history_));
  stop_ = pending_ + static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, room));
}

bool DecodeWindow::Drain(std::uint8_t* pos) {
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(pos - pending_, remaining_));
  if (n > 0 && !output_->Write(pending_, n)) return false;
  remaining_ -= n;
  pos_ = pos;
  pending_ = pos;
  if (remaining_ == 0) return true;
  if (pos_ >= buffer_.data() + history_ + kChunk) {
    std::memmove(buffer_.data(), pos_ - history_, history_);
    pos_ = pending_ = buffer_.data() + history_;
  }
  SetStop();
  return true;
}

}  // namespace ks
