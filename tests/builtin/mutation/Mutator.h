#pragma once
// Damages archives the ways disks, downloads and copies do: flipped bits,
// overwritten runs, cuts, inserted and lost bytes, repeated slices, and
// size fields off by one. Headers sit at both ends of most archives, so
// positions there are picked more often.

#include <cstdint>
#include <random>
#include <string>

namespace ks::test {

class Mutator {
 public:
  explicit Mutator(std::uint64_t seed) : gen_(seed) {}

  // A damaged copy of `bytes`, different from it, and what was done.
  std::string Mutate(const std::string& bytes, std::string& what) {
    for (;;) {
      std::string out = bytes;
      what = Apply(out);
      if (out != bytes) return out;
    }
  }

 private:
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(gen_() % n); }
  char AnyByte() { return static_cast<char>(gen_() & 0xFF); }

  // A position inside `size` bytes: near the start, near the end, or anywhere.
  std::size_t Position(std::size_t size) {
    if (size == 0) return 0;
    const unsigned where = static_cast<unsigned>(gen_() % 10);
    if (where < 3) return Below(std::min<std::size_t>(size, 128));
    if (where < 5) return size - 1 - Below(std::min<std::size_t>(size, 128));
    return Below(size);
  }

  std::string Apply(std::string& s) {
    const std::size_t n = s.size();
    const std::size_t at = Position(n);
    switch (gen_() % 10) {
      case 0: {
        const int bit = static_cast<int>(Below(8));
        s[at] = static_cast<char>(s[at] ^ (1 << bit));
        return "bit " + std::to_string(bit) + " flipped at " + std::to_string(at);
      }
      case 1:
        s[at] = AnyByte();
        return "byte set at " + std::to_string(at);
      case 2: {
        const std::size_t len = std::min(n - at, 1 + Below(16));
        const int fill = static_cast<int>(Below(3));
        for (std::size_t i = 0; i < len; ++i)
          s[at + i] = fill == 0 ? '\0' : fill == 1 ? '\xFF' : AnyByte();
        return std::to_string(len) + " bytes overwritten at " + std::to_string(at);
      }
      case 3:
        s.resize(at);
        return "cut at " + std::to_string(at);
      case 4: {
        std::string extra(1 + Below(16), '\0');
        for (char& c : extra) c = AnyByte();
        s.insert(at, extra);
        return std::to_string(extra.size()) + " bytes inserted at " + std::to_string(at);
      }
      case 5: {
        const std::size_t len = std::min(n - at, 1 + Below(16));
        s.erase(at, len);
        return std::to_string(len) + " bytes lost at " + std::to_string(at);
      }
      case 6: {
        // A slice written again elsewhere, as a bad copy repeats a block.
        const std::size_t len = std::min(n - at, 1 + Below(64));
        const std::size_t to = Position(n);
        const std::string slice = s.substr(at, len);
        s.replace(to, std::min(len, n - to), slice);
        return std::to_string(len) + " bytes from " + std::to_string(at) + " repeated at " + std::to_string(to);
      }
      case 7: {
        std::string extra(1 + Below(64), '\0');
        for (char& c : extra) c = Below(2) ? AnyByte() : '\0';
        s += extra;
        return std::to_string(extra.size()) + " bytes appended";
      }
      default: {
        // A little-endian number nudged: sizes and offsets off by a little.
        const std::size_t width = Below(2) ? 2 : 4;
        if (at + width > n) return "nothing";
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < width; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
        const std::uint32_t deltas[] = {1, 2, 4, 16, 0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF0u};
        v += deltas[Below(7)];
        for (std::size_t i = 0; i < width; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return std::to_string(width * 8) + "-bit number changed at " + std::to_string(at);
      }
    }
  }

  std::mt19937_64 gen_;
};

}  // namespace ks::test
