#include "archivers/builtin/rar/RarCrcIndex.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace ks {
namespace {

constexpr unsigned char kMarker[7] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
// Self-extracting archives put a program before the marker.
constexpr std::size_t kMarkerSearch = 1 << 20;
constexpr unsigned kFileHeader = 0x74;
constexpr unsigned kEndOfArchive = 0x7B;
constexpr unsigned kLongBlock = 0x8000;
constexpr unsigned kLargeFile = 0x0100;

struct Closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::uint32_t Le(const unsigned char* p, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

}  // namespace

std::vector<std::uint32_t> ReadRar4FileCrcs(const std::string& file) {
  std::unique_ptr<std::FILE, Closer> f(std::fopen(file.c_str(), "rb"));
  if (!f) return {};
  std::vector<unsigned char> head(kMarkerSearch);
  const std::size_t got = std::fread(head.data(), 1, head.size(), f.get());
  std::size_t start = std::string::npos;
  for (std::size_t i = 0; i + sizeof kMarker <= got; ++i) {
    if (std::memcmp(head.data() + i, kMarker, sizeof kMarker) == 0) {
      start = i;
      break;
    }
  }
  if (start == std::string::npos) return {};

  std::vector<std::uint32_t> crcs;
  std::uint64_t pos = start + sizeof kMarker;
  for (;;) {
    unsigned char block[32];
    if (::fseeko(f.get(), static_cast<off_t>(pos), SEEK_SET) != 0) return {};
    const std::size_t n = std::fread(block, 1, sizeof block, f.get());
    if (n == 0) return crcs;  // no end block: what was listed still holds
    if (n < 7) return {};
    const unsigned type = block[2];
    const unsigned flags = Le(block + 3, 2);
    const unsigned size = Le(block + 5, 2);
    if (size < 7) return {};
    std::uint64_t dataSize = 0;
    if (type == kFileHeader) {
      if (n < 32 || size < 32) return {};
      dataSize = Le(block + 7, 4);
      if (flags & kLargeFile) {
        unsigned char high[4];
        if (::fseeko(f.get(), static_cast<off_t>(pos + 32), SEEK_SET) != 0 ||
            std::fread(high, 1, 4, f.get()) != 4)
          return {};
        dataSize |= static_cast<std::uint64_t>(Le(high, 4)) << 32;
      }
      crcs.push_back(Le(block + 16, 4));
    } else if (flags & kLongBlock) {
      if (n < 11) return {};
      dataSize = Le(block + 7, 4);
    }
    if (type == kEndOfArchive) return crcs;
    pos += size + dataSize;
  }
}

}  // namespace ks
