#pragma once
// Small pieces the format walkers share: a C file closed on every way out,
// and little-endian numbers read from bytes.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace ks {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

inline UniqueFile OpenForReading(const std::string& path) { return UniqueFile(std::fopen(path.c_str(), "rb")); }

// The `n`-byte little-endian number at `p` (n at most 8).
inline std::uint64_t LittleEndian(const unsigned char* p, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

}  // namespace ks
