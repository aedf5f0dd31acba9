#pragma once
// The LZSS parser of the encoder: a sliding window over the input, hash
// chains of 3-byte prefixes to find earlier repeats, and lazy matching (a
// match is taken only when the next position does not start a longer one).
// Chains are searched to a bounded depth, so time per byte stays flat on
// text and on binaries that repeat a lot.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archivers/builtin/codec/LzTokens.h"

namespace ks {

struct MatchTuning {
  unsigned maxChain;    // candidates looked at per position
  unsigned goodLength;  // a lazy look behind a match this long searches a quarter
  unsigned niceLength;  // a match this long ends the search
  unsigned maxLazy;     // behind a match this long, no lazy look at all
};

class MatchFinder {
 public:
  MatchFinder(unsigned windowBits, MatchTuning tuning);

  // Starts a new stream: nothing before it can be matched.
  void Reset();
  // Takes as much of `data` as there is room for; returns the bytes taken.
  // Room is made by dropping what lies behind the window.
  std::size_t Append(const std::uint8_t* data, std::size_t size);
  // Turns the input into tokens until `out` is full or the input runs low.
  // Until `final`, enough input stays unparsed for the longest match; with
  // `final` everything is parsed. Returns true when all input is in tokens.
  bool Parse(bool final, LzTokens& out);

 private:
  std::uint32_t Insert(std::uint32_t index);
  unsigned Longest(std::uint32_t candidate, unsigned prevLength, std::uint32_t& distance) const;
  void Slide();
  void Rebase();

  const unsigned windowBits_;
  const std::uint32_t windowMask_;
  const std::uint32_t maxDistance_;
  const MatchTuning tuning_;
  const unsigned hashBits_;
  std::vector<std::uint8_t> buffer_;
  std::size_t capacity_;  // usable bytes of buffer_ (the rest is slack for wide compares)
  // Chain links hold absolute positions (buffer index + base_); 0 means none.
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> prev_;
  std::uint32_t base_ = 0;
  std::uint32_t cur_ = 0;
  std::uint32_t end_ = 0;
  // Lazy matching: the match found at cur_ - 1, waiting for a look at cur_.
  unsigned prevLength_ = kLzhMinMatch - 1;
  std::uint32_t prevDistance_ = 0;
  bool pending_ = false;
};

}  // namespace ks
