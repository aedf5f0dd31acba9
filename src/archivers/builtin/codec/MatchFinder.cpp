#include "archivers/builtin/codec/MatchFinder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ks {

namespace {

// Input room beyond the window. Larger means fewer slides; 256 KiB keeps the
// whole finder well under a megabyte even for -lh7-.
constexpr std::size_t kInputRoom = 256 * 1024;
constexpr std::size_t kSlack = 16;
// A 3-byte match this far back costs more bits than three literals.
constexpr std::uint32_t kTooFar = 4096;
// Absolute positions are rebased before they near the top of 32 bits.
constexpr std::uint32_t kRebaseAt = 0x80000000u;

inline std::uint32_t Hash3(const std::uint8_t* p, unsigned bits) {
  const std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  return (v * 0x9E3779B1u) >> (32 - bits);
}

inline unsigned MatchLength(const std::uint8_t* a, const std::uint8_t* b, unsigned limit) {
  unsigned len = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (len + 8 <= limit) {
      std::uint64_t x, y;
      std::memcpy(&x, a + len, 8);
      std::memcpy(&y, b + len, 8);
      if (const std::uint64_t d = x ^ y) return len + static_cast<unsigned>(std::countr_zero(d)) / 8;
      len += 8;
    }
  }
  while (len < limit && a[len] == b[len]) ++len;
  return len;
}

}  // namespace

MatchFinder::MatchFinder(unsigned windowBits, MatchTuning tuning)
    : windowBits_(windowBits),
      windowMask_((1u << windowBits) - 1),
      // The largest distance is one short of the window: some readers keep
      // exactly a window of history, and the byte a full window back is the
      // one they overwrite next.
      maxDistance_((1u << windowBits) - 1),
      tuning_(tuning),
      hashBits_(std::min(windowBits + 2, 16u)),
      buffer_((std::size_t{1} << windowBits) + kInputRoom + kSlack, 0),
      capacity_((std::size_t{1} << windowBits) + kInputRoom),
      head_(std::size_t{1} << hashBits_, 0),
      prev_(std::size_t{1} << windowBits, 0) {
  Reset();
}

void MatchFinder::Reset() {
  // Moving the base a window past everything seen makes every old link too
  // far to follow, which is cheaper than clearing the tables for each file.
  std::uint64_t next = std::uint64_t{base_} + end_ + (std::uint64_t{1} << windowBits_) + 1;
  cur_ = end_ = 0;
  if (next >= kRebaseAt) {
    std::fill(head_.begin(), head_.end(), 0);
    std::fill(prev_.begin(), prev_.end(), 0);
    next = (std::uint64_t{1} << windowBits_) + 1;
  }
  base_ = static_cast<std::uint32_t>(next);
  prevLength_ = kLzhMinMatch - 1;
  prevDistance_ = 0;
  pending_ = false;
}

std::size_t MatchFinder::Append(const std::uint8_t* data, std::size_t size) {
  if (end_ == capacity_) Slide();
  const std::size_t take = std::min(size, capacity_ - end_);
  std::memcpy(buffer_.data() + end_, data, take);
  end_ += static_cast<std::uint32_t>(take);
  return take;
}

void MatchFinder::Slide() {
  const std::uint32_t window = 1u << windowBits_;
  if (cur_ <= window) return;
  // Keep one window behind the parse position (the pending literal at
  // cur_ - 1 lies inside it).
  const std::uint32_t keepFrom = cur_ - window;
  std::memmove(buffer_.data(), buffer_.data() + keepFrom, end_ - keepFrom);
  base_ += keepFrom;
  cur_ -= keepFrom;
  end_ -= keepFrom;
  if (base_ >= kRebaseAt) Rebase();
}

void MatchFinder::Rebase() {
  const std::uint32_t delta = base_ - (1u << windowBits_) - 1;
  auto shift = [delta](std::uint32_t& v) { v = v > delta ? v - delta : 0; };
  std::for_each(head_.begin(), head_.end(), shift);
  std::for_each(prev_.begin(), prev_.end(), shift);
  base_ -= delta;
}

inline std::uint32_t MatchFinder::Insert(std::uint32_t index) {
  const std::uint32_t h = Hash3(buffer_.data() + index, hashBits_);
  const std::uint32_t pos = base_ + index;
  const std::uint32_t old = head_[h];
  head_[h] = pos;
  prev_[pos & windowMask_] = old;
  return old;
}

unsigned MatchFinder::Longest(std::uint32_t candidate, unsigned prevLength,
                              std::uint32_t& distance) const {
  const std::uint32_t here = base_ + cur_;
  const std::uint32_t limit = here - maxDistance_;  // base_ > window, so no wrap
  const unsigned maxLength = std::min<unsigned>(kLzhMaxMatch, end_ - cur_);
  unsigned best = prevLength;
  if (best >= maxLength || candidate < limit) return best;
  const unsigned nice = std::min(tuning_.niceLength, maxLength);
  unsigned chain = prevLength >= tuning_.goodLength ? tuning_.maxChain >> 2 : tuning_.maxChain;
  if (chain == 0) chain = 1;
  const std::uint8_t* scan = buffer_.data() + cur_;
  do {
    const std::uint8_t* match = buffer_.data() + (candidate - base_);
    if (match[best] != scan[best] || match[best - 1] != scan[best - 1] || match[0] != scan[0] ||
        match[1] != scan[1])
      continue;
    const unsigned len = MatchLength(scan, match, maxLength);
    if (len > best) {
      best = len;
      distance = here - candidate;
      if (len >= nice) break;
    }
  } while ((candidate = prev_[candidate & windowMask_]) >= limit && candidate < here &&
           --chain != 0);
  return best;
}

bool MatchFinder::Parse(bool final, LzTokens& out) {
  const std::uint32_t minLookahead = final ? 1 : kLzhMaxMatch + 1;
  while (!out.Full()) {
    const std::uint32_t avail = end_ - cur_;
    if (avail < minLookahead) {
      if (avail == 0 && pending_) {
        out.Literal(buffer_[cur_ - 1]);
        pending_ = false;
      }
      return avail == 0 && !pending_;
    }
    unsigned length = kLzhMinMatch - 1;
    std::uint32_t distance = 0;
    if (avail >= kLzhMinMatch) {
      const std::uint32_t candidate = Insert(cur_);
      if (candidate != 0 && prevLength_ < tuning_.maxLazy)
        length = Longest(candidate, std::max(prevLength_, kLzhMinMatch - 1), distance);
      if (length <= prevLength_) distance = 0;
      if (length == kLzhMinMatch && distance > kTooFar) length = kLzhMinMatch - 1;
    }
    if (prevLength_ >= kLzhMinMatch && length <= prevLength_) {
      // The match at cur_ - 1 wins; every position it covers goes into the
      // chains so later repeats of it are found.
      out.Match(prevLength_, prevDistance_);
      const std::uint32_t next = cur_ - 1 + prevLength_;
      for (std::uint32_t p = cur_ + 1; p < next; ++p)
        if (end_ - p >= kLzhMinMatch) Insert(p);
      cur_ = next;
      pending_ = false;
      prevLength_ = kLzhMinMatch - 1;
    } else {
      if (pending_) out.Literal(buffer_[cur_ - 1]);
      pending_ = true;
      prevLength_ = length;
      prevDistance_ = distance;
      ++cur_;
    }
  }
  return end_ == cur_ && !pending_;
}

}  // namespace ks
