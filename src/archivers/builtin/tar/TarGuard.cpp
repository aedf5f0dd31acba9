#include "archivers/builtin/tar/TarGuard.h"

#include <cstring>

#include "archivers/builtin/common/ByteFile.h"

namespace ks {
namespace {

constexpr std::size_t kBlock = 512;
constexpr std::size_t kChecksumAt = 148, kChecksumSize = 8;
constexpr std::size_t kMagicAt = 257;

// Whether the 512-byte block at `b` is a tar header whose checksum holds:
// the sum of its bytes with the checksum field taken as spaces, written in
// octal (some old writers summed signed bytes).
bool TarHeaderSound(const unsigned char* b);

// The POSIX and GNU formats mark every header; an old v7 header carries no
// mark, and a block that merely holds a matching sum is not told from data.
bool Marked(const unsigned char* b) { return std::memcmp(b + kMagicAt, "ustar", 5) == 0; }

class TarGuard : public ArchiveGuard {
 public:
  GuardVerdict Opening(const std::string& file) override {
    UniqueFile f = OpenForReading(file);
    unsigned char block[kBlock];
    if (!f || std::fread(block, 1, kBlock, f.get()) != kBlock || !Marked(block) || TarHeaderSound(block)) return {};
    GuardVerdict verdict(kArcHeaderBroken, "the first header is damaged");
    for (std::uint64_t at = kBlock; std::fread(block, 1, kBlock, f.get()) == kBlock; at += kBlock) {
      if (Marked(block) && TarHeaderSound(block)) {
        verdict.readOnFrom = at;
        break;
      }
    }
    return verdict;
  }
};

bool TarHeaderSound(const unsigned char* b) {
  unsigned long stored = 0;
  bool digits = false;
  for (std::size_t i = kChecksumAt; i < kChecksumAt + kChecksumSize; ++i) {
    if (b[i] >= '0' && b[i] <= '7') {
      stored = stored * 8 + (b[i] - '0');
      digits = true;
    } else if (digits || (b[i] != ' ' && b[i] != 0)) {
      break;
    }
  }
  unsigned long sum = 0;
  long signedSum = 0;
  for (std::size_t i = 0; i < kBlock; ++i) {
    const bool field = i >= kChecksumAt && i < kChecksumAt + kChecksumSize;
    sum += field ? ' ' : b[i];
    signedSum += field ? ' ' : static_cast<signed char>(b[i]);
  }
  return digits && (stored == sum || static_cast<long>(stored) == signedSum);
}

}  // namespace

std::unique_ptr<ArchiveGuard> MakeTarGuard() { return std::make_unique<TarGuard>(); }

}  // namespace ks
