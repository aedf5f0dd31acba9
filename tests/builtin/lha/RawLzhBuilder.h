#pragma once
// Builds LZH entries byte by byte, at any header level and with any
// extended headers, the way tools we cannot run here (MS-DOS, OS-9, Amiga,
// Windows LHA programs) wrote them.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archivers/builtin/codec/LzhCrc16.h"

namespace ks::test {

struct RawLzhEntry {
  int level = 2;
  std::string method = "-lh0-";
  std::string name;   // the name field of levels 0 and 1
  std::string data;   // stored as it is (coded data for other methods)
  std::optional<std::uint32_t> originalSize;  // default: data.size()
  std::optional<std::uint16_t> crc;           // default: the CRC-16 of data
  std::uint32_t time = 0;                     // DOS stamp (levels 0/1) or Unix time
  std::uint8_t attribute = 0x20;
  std::uint8_t os = 'M';
  std::string level0Area;                     // bytes after a level-0 header's CRC
  std::vector<std::pair<std::uint8_t, std::string>> extended;
  bool headerCrc = false;                     // add extended header 0x00 with the CRC
  int sizeFieldAdjust = 0;                    // OS-9/68k writes level-2 sizes 2 short
};

inline void PutLe(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string LeBytes(std::uint64_t v, int bytes) {
  std::string s;
  PutLe(s, v, bytes);
  return s;
}

// One entry: header and data.
inline std::string BuildRawLzhEntry(const RawLzhEntry& e) {
  const std::uint32_t original = e.originalSize.value_or(static_cast<std::uint32_t>(e.data.size()));
  const std::uint16_t crc = e.crc.value_or(LzhCrc16Of(e.data.data(), e.data.size()));
  auto extended = e.extended;
  if (e.headerCrc) extended.insert(extended.begin(), {0x00, std::string(2, '\0')});
  const int field = e.level == 3 ? 4 : 2;
  std::string chain;  // the extended headers, each followed by the next one's size
  for (std::size_t i = 0; i < extended.size(); ++i) {
    chain += static_cast<char>(extended[i].first);
    chain += extended[i].second;
    const std::size_t next = i + 1 < extended.size() ? 1 + extended[i + 1].second.size() + field : 0;
    PutLe(chain, next, field);
  }
  const std::size_t firstSize = extended.empty() ? 0 : 1 + extended[0].second.size() + field;

  std::string h;
  std::size_t chainStart = 0;
  if (e.level <= 1) {
    std::string body = e.method;
    const std::size_t extBytes = e.level == 1 ? chain.size() : 0;
    PutLe(body, e.data.size() + extBytes, 4);
    PutLe(body, original, 4);
    PutLe(body, e.time, 4);
    body += static_cast<char>(e.attribute);
    body += static_cast<char>(e.level);
    body += static_cast<char>(e.name.size());
    body += e.name;
    PutLe(body, crc, 2);
    if (e.level == 0) {
      body += e.level0Area;
    } else {
      body += static_cast<char>(e.os);
      PutLe(body, firstSize, 2);
    }
    unsigned sum = 0;
    for (unsigned char c : body) sum += c;
    h += static_cast<char>(body.size());
    h += static_cast<char>(sum & 0xFF);
    h += body;
    if (e.level == 1) {
      chainStart = h.size();
      h += chain;
    }
  } else {
    std::string fixed = e.method;
    PutLe(fixed, e.data.size(), 4);
    PutLe(fixed, original, 4);
    PutLe(fixed, e.time, 4);
    fixed += static_cast<char>(e.attribute);
    fixed += static_cast<char>(e.level);
    PutLe(fixed, crc, 2);
    fixed += static_cast<char>(e.os);
    if (e.level == 2) {
      const std::size_t total = 2 + fixed.size() + 2 + chain.size();
      PutLe(h, total + e.sizeFieldAdjust, 2);
      h += fixed;
      PutLe(h, firstSize, 2);
    } else {
      const std::size_t total = 2 + fixed.size() + 4 + 4 + chain.size();
      PutLe(h, 4, 2);
      h += fixed;
      PutLe(h, total, 4);
      PutLe(h, firstSize, 4);
    }
    chainStart = h.size();
    h += chain;
  }
  if (e.headerCrc) {
    // The CRC is the first extended header's data, counted as zero.
    const std::uint16_t c = LzhCrc16Of(h.data(), h.size());
    h[chainStart + 1] = static_cast<char>(c & 0xFF);
    h[chainStart + 2] = static_cast<char>(c >> 8);
  }
  return h + e.data;
}

inline std::string BuildRawLzh(const std::vector<RawLzhEntry>& entries, bool endMark = true) {
  std::string out;
  for (const auto& e : entries) out += BuildRawLzhEntry(e);
  if (endMark) out += '\0';
  return out;
}

// The DOS stamp of a local date and time.
inline std::uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second) {
  const std::uint32_t date = static_cast<std::uint32_t>((year - 1980) << 9 | month << 5 | day);
  const std::uint32_t time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
  return date << 16 | time;
}

}  // namespace ks::test
