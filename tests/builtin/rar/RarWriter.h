#pragma once
// Writes small RAR 4 archives with stored entries, for tests: Debian has no
// RAR writer. Layout per entry: a file header (type 0x74) whose CRC-16 is
// the low half of the CRC-32 of the header from its type byte on, then the
// data as is (method 0x30, "store").

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ks::test {

struct RarEntry {
  std::string name;  // "\\" separates folders, as RAR stores it
  std::string data;
  bool folder = false;
  bool encrypted = false;  // sets the password flag; the data stays as given
  bool badCrc = false;     // stores a wrong CRC-32 for the data
};

class RarBytes {
 public:
  void U8(unsigned v) { s_ += static_cast<char>(v & 0xFF); }
  void U16(unsigned v) { U8(v), U8(v >> 8); }
  void U32(std::uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
  void Raw(const std::string& text) { s_ += text; }
  std::string& str() { return s_; }

 private:
  std::string s_;
};

inline std::uint32_t Crc32(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// `body` is the header from its type byte on; prepends its CRC-16.
inline std::string RarBlock(const std::string& body) {
  RarBytes b;
  b.U16(Crc32(body) & 0xFFFF);
  b.Raw(body);
  return b.str();
}

inline std::string MakeRar4(const std::vector<RarEntry>& entries) {
  std::string out = "Rar!\x1a\x07";
  out += '\0';
  RarBytes main;
  main.U8(0x73);   // archive header
  main.U16(0);     // flags
  main.U16(13);    // header size
  main.U16(0);     // reserved
  main.U32(0);
  out += RarBlock(main.str());
  for (const RarEntry& e : entries) {
    const std::string data = e.folder ? std::string() : e.data;
    RarBytes h;
    unsigned flags = 0x8000;             // data size follows the header
    if (e.folder) flags |= 0x00E0;       // the "folder" dictionary bits
    if (e.encrypted) flags |= 0x0004;
    h.U8(0x74);
    h.U16(flags);
    h.U16(static_cast<unsigned>(32 + e.name.size()));
    h.U32(static_cast<std::uint32_t>(data.size()));  // packed size
    h.U32(static_cast<std::uint32_t>(data.size()));  // unpacked size
    h.U8(2);                                          // host: Windows
    h.U32(e.badCrc ? Crc32(data) ^ 0xDEADBEEF : Crc32(data));
    h.U32((40u << 25) | (1u << 21) | (1u << 16));     // 2020-01-01 00:00 as DOS time
    h.U8(29);                                         // version needed: 2.9
    h.U8(0x30);                                       // store
    h.U16(static_cast<unsigned>(e.name.size()));
    h.U32(e.folder ? 0x10 : 0x20);
    h.Raw(e.name);
    out += RarBlock(h.str());
    out += data;
  }
  RarBytes end;
  end.U8(0x7B);
  end.U16(0x4000);
  end.U16(7);
  out += RarBlock(end.str());
  return out;
}

}  // namespace ks::test
