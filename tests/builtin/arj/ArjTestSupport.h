#pragma once
// ARJ archives made byte by byte in the tests, for what Debian's arj cannot
// be asked to write: DOS hosts with chosen attributes, unknown methods and
// kinds of entry, self-extractor programs, damage in chosen places. Method 4
// data comes from a small encoder of the tests' own.

#include <cstdint>
#include <string>
#include <vector>

#include "archivers/builtin/codec/Checksums.h"
#include "archivers/builtin/codec/BitWriter.h"

namespace ks::test {

using ArjBytes = std::vector<std::uint8_t>;

inline void PutLe(ArjBytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::uint32_t CrcOf(const ArjBytes& data, std::size_t from = 0, std::size_t size = SIZE_MAX) {
  Crc32 c;
  c.Update(data.data() + from, std::min(size, data.size() - from));
  return c.value();
}

// Method 4 codes, written as the format defines them.
class FastestWriter {
 public:
  void Literal(std::uint8_t byte) {
    PutLength(0);
    bits_.Put(byte, 8);
  }
  void Match(std::size_t distance, std::size_t length) {
    PutLength(static_cast<unsigned>(length - 2));
    const unsigned offset = static_cast<unsigned>(distance - 1);
    unsigned k = 0;
    while (k < 4 && offset >= (1u << (10 + k)) - 512) ++k;
    PutOnes(k, 4);
    bits_.Put(offset - ((1u << (9 + k)) - 512), 9 + k);
  }
  ArjBytes Finish() {
    bits_.Flush();
    return bits_.bytes();
  }

 private:
  void PutOnes(unsigned ones, unsigned limit) {
    for (unsigned i = 0; i < ones; ++i) bits_.Put(1, 1);
    if (ones < limit) bits_.Put(0, 1);
  }
  void PutLength(unsigned n) {
    unsigned w = 0;
    while (w < 7 && n >= (2u << w) - 1) ++w;
    PutOnes(w, 7);
    if (w) bits_.Put(n - ((1u << w) - 1), w);
  }
  BitWriter bits_;
};

// Greedy method 4 encoding: the last earlier place with the same three
// bytes, if it is within reach.
inline ArjBytes EncodeFastest(const ArjBytes& data) {
  FastestWriter w;
  std::vector<std::int64_t> last(1 << 16, -1);
  const auto hash = [&](std::size_t i) {
    return ((data[i] << 8) ^ (data[i + 1] << 4) ^ data[i + 2]) & 0xFFFF;
  };
  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t best = 0, dist = 0;
    if (i + 3 <= data.size()) {
      const std::int64_t at = last[hash(i)];
      if (at >= 0 && i - static_cast<std::size_t>(at) <= 15872) {
        std::size_t n = 0;
        while (n < 256 && i + n < data.size() && data[static_cast<std::size_t>(at) + n] == data[i + n]) ++n;
        if (n >= 3) best = n, dist = i - static_cast<std::size_t>(at);
      }
      last[hash(i)] = static_cast<std::int64_t>(i);
    }
    if (best) {
      w.Match(dist, best);
      i += best;
    } else {
      w.Literal(data[i++]);
    }
  }
  return w.Finish();
}

// One entry of a hand-made archive.
struct ArjTestEntry {
  ArjTestEntry(std::string n, std::string d, std::uint8_t m = 0)
      : name(std::move(n)), data(std::move(d)), method(m) {}
  // An entry as an MS-DOS archiver writes it: DOS date and time, attributes.
  static ArjTestEntry Dos(std::string n, std::string d, std::uint8_t m, std::uint8_t type,
                          std::uint32_t stamp, std::uint16_t attributes) {
    ArjTestEntry e(std::move(n), std::move(d), m);
    e.fileType = type;
    e.hostOs = 0;
    e.flags = 0;
    e.time = stamp;
    e.mode = attributes;
    return e;
  }

  std::string name;
  std::string data;
  std::uint8_t method = 0;    // 0 stored or 4; others are written as given
  std::uint8_t fileType = 0;  // 0 file, 3 folder, ...
  std::uint8_t hostOs = 2;    // 2 Unix, 0 MS-DOS
  std::uint8_t flags = 0x10;
  std::uint32_t time = 1588748889;  // Unix seconds or DOS date << 16 | time
  std::uint16_t mode = 0644;
  std::vector<ArjBytes> extended;   // extended headers' data
  bool badCrc = false;               // store a wrong data CRC
};

// A header block: mark, size, basic header, its CRC, extended headers.
inline ArjBytes ArjBlock(const ArjBytes& basic, const std::vector<ArjBytes>& extended = {}) {
  ArjBytes out = {0x60, 0xEA};
  PutLe(out, static_cast<std::uint32_t>(basic.size()), 2);
  out.insert(out.end(), basic.begin(), basic.end());
  PutLe(out, CrcOf(basic), 4);
  for (const ArjBytes& e : extended) {
    PutLe(out, static_cast<std::uint32_t>(e.size()), 2);
    out.insert(out.end(), e.begin(), e.end());
    PutLe(out, CrcOf(e), 4);
  }
  PutLe(out, 0, 2);
  return out;
}

inline ArjBytes ArjBasic(std::uint8_t hostOs, std::uint8_t flags, std::uint8_t method,
                         std::uint8_t fileType, std::uint32_t time, std::uint32_t packed,
                         std::uint32_t original, std::uint32_t crc, std::uint16_t mode,
                         const std::string& name, const std::string& comment = "") {
  ArjBytes b = {30, 11, 1, hostOs, flags, method, fileType, 0};
  PutLe(b, time, 4);
  PutLe(b, packed, 4);
  PutLe(b, original, 4);
  PutLe(b, crc, 4);
  PutLe(b, 0, 2);  // file name position
  PutLe(b, mode, 2);
  PutLe(b, 0, 2);  // host data
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
  b.insert(b.end(), comment.begin(), comment.end());
  b.push_back(0);
  return b;
}

inline ArjBytes ArjMainBlock(const std::string& archiveName = "test.arj") {
  return ArjBlock(ArjBasic(2, 0x10, 0, 2, 0, 0, 0, 0, 0, archiveName));
}

inline ArjBytes ArjEntryBlock(const ArjTestEntry& e) {
  const ArjBytes raw(e.data.begin(), e.data.end());
  const ArjBytes packed = e.method == 4 ? EncodeFastest(raw) : raw;
  const std::uint32_t crc = CrcOf(raw) ^ (e.badCrc ? 1u : 0u);
  ArjBytes out = ArjBlock(ArjBasic(e.hostOs, e.flags, e.method, e.fileType, e.time,
                                   static_cast<std::uint32_t>(packed.size()),
                                   static_cast<std::uint32_t>(raw.size()), crc, e.mode, e.name),
                          e.extended);
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

inline ArjBytes ArjEndMark() { return {0x60, 0xEA, 0, 0}; }

inline ArjBytes MakeArj(const std::vector<ArjTestEntry>& entries) {
  ArjBytes out = ArjMainBlock();
  for (const ArjTestEntry& e : entries) {
    const ArjBytes block = ArjEntryBlock(e);
    out.insert(out.end(), block.begin(), block.end());
  }
  const ArjBytes end = ArjEndMark();
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

inline std::string AsString(const ArjBytes& b) { return std::string(b.begin(), b.end()); }

// Where each local header block of a sound archive starts (the main header
// is at 0), found by walking the blocks as a reader does.
inline std::vector<std::size_t> LocalHeaderOffsets(const std::string& archive) {
  const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(archive.at(at)); };
  const auto le16 = [&](std::size_t at) { return static_cast<std::size_t>(byte(at) | byte(at + 1) << 8); };
  std::vector<std::size_t> offsets;
  std::size_t pos = 0;
  for (bool main = true;; main = false) {
    const std::size_t size = le16(pos + 2);
    if (size == 0) return offsets;
    if (!main) offsets.push_back(pos);
    const std::size_t basic = pos + 4;
    std::size_t next = basic + size + 4;
    for (std::size_t ext; (ext = le16(next)) != 0;) next += 2 + ext + 4;
    next += 2;
    if (!main) next += le16(basic + 12) | le16(basic + 14) << 16;  // the data
    pos = next;
  }
}

}  // namespace ks::test
