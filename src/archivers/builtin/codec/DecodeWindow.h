#pragma once
// The output side shared by every LZ decoder here: decoded bytes go straight
// into one flat buffer that starts with the history a match may reach back
// into. When a chunk is full it is handed to the DecodeOutput and the newest
// history is moved to the front, so the decoding loop never wraps a ring
// index and can copy matches eight bytes at a time.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archivers/builtin/codec/DecodeStream.h"

namespace ks {

class DecodeWindow {
 public:
  // Longest match any decoder here copies; the buffer keeps room past the
  // chunk for one such match and the eight-byte overrun of CopyMatch.
  static constexpr std::size_t kMaxMatch = 256;

  // `history`: the farthest distance a match may reach back (a match
  // of distance `history` reads the oldest byte kept).
  explicit DecodeWindow(std::size_t history);

  // Starts an entry of `size` decoded bytes: the history is filled with
  // `fill` (LZH decoders start from spaces), nothing is pending.
  void Start(std::uint64_t size, DecodeOutput& output, std::uint8_t fill = ' ');
  // The same with the history given: history() bytes, the oldest first.
  void Start(std::uint64_t size, DecodeOutput& output, const std::uint8_t* history);

  // Where the next decoded byte goes. The decoding loop copies it into a
  // local, writes while it is below stop() (a match may end up to kMaxMatch
  // bytes past stop()), then gives it back with Drain().
  std::uint8_t* pos() const { return pos_; }
  std::uint8_t* stop() const { return stop_; }
  // Hands what was decoded up to `pos` (at most the entry's remaining size)
  // to the output and makes room. False when the output stopped.
  bool Drain(std::uint8_t* pos);
  // True once the entry's whole size was handed on.
  bool Done() const { return remaining_ == 0; }
  std::size_t history() const { return history_; }

  // Appends `length` (1 to kMaxMatch) bytes starting `distance` (1 to
  // history()) bytes back; the source may overlap what is written.
  static void CopyMatch(std::uint8_t*& out, std::size_t distance, std::size_t length) {
    const std::uint8_t* src = out - distance;
    std::uint8_t* dst = out;
    out += length;
    if (distance >= 8) {
      do {
        std::memcpy(dst, src, 8);
        dst += 8;
        src += 8;
      } while (dst < out);
    } else {
      do *dst++ = *src++;
      while (dst < out);
    }
  }

 private:
  void SetStop();

  std::size_t history_;
  std::vector<std::uint8_t> buffer_;
  std::uint8_t* pos_ = nullptr;
  std::uint8_t* pending_ = nullptr;
  std::uint8_t* stop_ = nullptr;
  std::uint64_t remaining_ = 0;
  DecodeOutput* output_ = nullptr;
};

}  // namespace ks
