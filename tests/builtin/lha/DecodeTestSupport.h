#pragma once
// In-memory ends for the decoders: an input that hands out its bytes in
// pieces of a chosen size (so reads straddle every boundary), an output that
// collects or stops, and our own encoder to make coded data.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "archivers/builtin/codec/DecodeStream.h"
#include "archivers/builtin/lha/LzhEncoder.h"

namespace ks::test {

using Bytes = std::vector<std::uint8_t>;

class PieceInput : public DecodeInput {
 public:
  explicit PieceInput(Bytes data, std::size_t piece = 1 << 20) : data_(std::move(data)), piece_(piece) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override {
    const std::size_t n = std::min({capacity, piece_, data_.size() - at_});
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(at_), n, buffer);
    at_ += n;
    return n;
  }

 private:
  Bytes data_;
  std::size_t piece_;
  std::size_t at_ = 0;
};

class CollectOutput : public DecodeOutput {
 public:
  explicit CollectOutput(std::size_t stopAfter = SIZE_MAX) : stopAfter_(stopAfter) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (size == 0) ++emptyWrites;
    if (bytes.size() >= stopAfter_) return false;
    bytes.insert(bytes.end(), data, data + size);
    return true;
  }
  Bytes bytes;
  int emptyWrites = 0;

 private:
  std::size_t stopAfter_;
};

inline Bytes EncodeWith(LzhMethod method, const Bytes& data) {
  Bytes coded;
  LzhEncoder enc(method, [&](const std::uint8_t* p, std::size_t n) {
    coded.insert(coded.end(), p, p + n);
    return 0;
  });
  enc.Reset(UINT64_MAX);
  if (!data.empty()) enc.Write(data.data(), data.size());
  enc.Finish();
  return coded;
}

// Sample contents: words with repeats near and far, runs, random bytes.
inline Bytes TextLike(std::size_t size, unsigned seed) {
  static const char* words[] = {"archive ", "解凍 ", "the ", "folder\n", "LZH ", "header ", "0123456789"};
  std::mt19937 gen(seed);
  Bytes out;
  while (out.size() < size) {
    const std::string w = words[gen() % 7];
    out.insert(out.end(), w.begin(), w.end());
    if (gen() % 50 == 0) out.insert(out.end(), gen() % 300, static_cast<std::uint8_t>(gen()));
  }
  out.resize(size);
  return out;
}

inline Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(gen());
  return out;
}

}  // namespace ks::test
