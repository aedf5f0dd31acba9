#include "archivers/builtin/lha/LzhHeaderSearch.h"

#include <string>
#include <vector>

#include "archivers/builtin/lha/LzhHeaderParser.h"

namespace ks {
namespace {

// Bytes a header needs before its level (byte 20) can be looked at.
constexpr std::size_t kProbe = 22;
constexpr std::size_t kWindow = 64 * 1024;

// The method ("-lh5-") sits at byte 2 of every header level, the level at
// byte 20; anything else is not worth a full read.
bool StartsLikeHeader(const std::uint8_t* p) {
  return p[2] == '-' && p[20] <= 3 && LooksLikeLzhMethod(reinterpret_cast<const char*>(p + 2));
}

}  // namespace

std::optional<std::uint64_t> FindSoundLzhHeader(LzhArchiveFile& file, std::uint64_t from, std::uint64_t limit,
                                                int maxTries) {
  // Windows overlap by kProbe bytes, so a header lying across two of them
  // is still seen whole.
  std::vector<std::uint8_t> window(kWindow + kProbe);
  LzhEntryInfo info;
  std::string error;
  int tries = 0;
  for (std::uint64_t at = from; at < limit && at < file.size(); at += kWindow) {
    file.Seek(at);
    const std::size_t got = file.Read(window.data(), window.size());
    for (std::size_t p = 0; p < kWindow && p + kProbe <= got && at + p < limit; ++p) {
      if (!StartsLikeHeader(&window[p])) continue;
      if (++tries > maxTries) return std::nullopt;
      file.Seek(at + p);
      if (ReadLzhHeader(file, info, error) == LzhHeaderResult::Entry) {
        file.Seek(at + p);
        return at + p;
      }
    }
    if (got < window.size()) break;
  }
  return std::nullopt;
}

}  // namespace ks
