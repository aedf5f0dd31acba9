#pragma once
// Writes small RAR 4 and RAR 5 archives with stored entries, for tests:
// Debian has no RAR writer.
// RAR 4: per entry a file header (type 0x74) whose CRC-16 is the low half of
// the CRC-32 of the header from its type byte on, then the data as is
// (method 0x30, "store").
// RAR 5: an 8-byte signature, then headers of the form CRC-32, size (vint),
// type, flags, optional extra and data sizes, own fields, extra area; the
// data follows its header. Integers are "vints": 7 bits a byte, low first.

#include <zlib.h>

#include "archivers/builtin/common/Blake2sp.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ks::test {

struct RarEntry {
  std::string name;  // "\\" separates folders, as RAR stores it
  std::string data;
  bool folder = false;
  bool encrypted = false;  // sets the password flag; the data stays as given
  bool badCrc = false;     // stores a wrong CRC-32 (or hash) for the data
  // RAR 4: when set, stored after the name and a NUL in RAR's packed
  // Unicode form, and the header flagged Unicode.
  std::u16string unicodeName = {};
  // RAR 5: the data's BLAKE2sp hash in a hash record instead of its CRC-32,
  // as RAR writes with its BLAKE2 option.
  bool blake2Only = false;
};

inline std::string Blake2spOf(const std::string& data) {
  Blake2sp hash;
  hash.Update(data.data(), data.size());
  const auto digest = hash.Final();
  return std::string(digest.begin(), digest.end());
}

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

// `unpackVersion`: the version needed to extract, 10 x major + minor; 29 is
// what RAR 3 and 4 write, 20 what RAR 2.0 wrote.
inline std::string MakeRar4(const std::vector<RarEntry>& entries, unsigned unpackVersion = 29) {
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
    // The packed Unicode form: a "high byte" (unused here), then a flag byte
    // for every four characters, its 2-bit codes from the top: 0 = one
    // byte with high byte 0, 2 = two bytes, low first.
    std::string name = e.name;
    if (!e.unicodeName.empty()) {
      flags |= 0x0200;
      name += '\0';
      name += '\0';
      for (std::size_t i = 0; i < e.unicodeName.size(); i += 4) {
        std::string group;
        unsigned flagByte = 0;
        for (std::size_t k = 0; k < 4 && i + k < e.unicodeName.size(); ++k) {
          const char16_t c = e.unicodeName[i + k];
          if (c < 0x100) {
            group += static_cast<char>(c);
          } else {
            flagByte |= 2u << (6 - 2 * k);
            group += static_cast<char>(c & 0xFF);
            group += static_cast<char>(c >> 8);
          }
        }
        name += static_cast<char>(flagByte);
        name += group;
      }
    }
    h.U8(0x74);
    h.U16(flags);
    h.U16(static_cast<unsigned>(32 + name.size()));
    h.U32(static_cast<std::uint32_t>(data.size()));  // packed size
    h.U32(static_cast<std::uint32_t>(data.size()));  // unpacked size
    h.U8(2);                                          // host: Windows
    h.U32(e.badCrc ? Crc32(data) ^ 0xDEADBEEF : Crc32(data));
    h.U32((40u << 25) | (1u << 21) | (1u << 16));     // 2020-01-01 00:00 as DOS time
    h.U8(unpackVersion);
    h.U8(0x30);                                       // store
    h.U16(static_cast<unsigned>(name.size()));
    h.U32(e.folder ? 0x10 : 0x20);
    h.Raw(name);
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

inline std::string Vint(std::uint64_t v) {
  std::string out;
  do {
    unsigned char b = v & 0x7F;
    v >>= 7;
    if (v) b |= 0x80;
    out += static_cast<char>(b);
  } while (v);
  return out;
}

// `body` is a RAR 5 header from its type on; prepends its size and CRC-32.
inline std::string Rar5Block(const std::string& body) {
  const std::string sized = Vint(body.size()) + body;
  RarBytes b;
  b.U32(Crc32(sized));
  b.Raw(sized);
  return b.str();
}

// Names use "/" between folders, as RAR 5 stores them.
inline std::string MakeRar5(const std::vector<RarEntry>& entries) {
  std::string out = "Rar!\x1a\x07\x01";
  out += '\0';
  out += Rar5Block(Vint(1) + Vint(0) + Vint(0));  // main header: no flags
  for (const RarEntry& e : entries) {
    const std::string data = e.folder ? std::string() : e.data;
    std::string extra;
    if (e.encrypted) {
      // Encryption record: version 0, no flags, KDF count 15, salt, IV.
      const std::string record = Vint(1) + Vint(0) + Vint(0) + '\x0f' + std::string(32, '\x5a');
      extra = Vint(record.size()) + record;
    }
    const bool hashOnly = e.blake2Only && !e.folder;
    if (hashOnly) {
      std::string digest = Blake2spOf(data);
      if (e.badCrc) digest[5] ^= 0x40;
      const std::string record = Vint(2) + Vint(0) + digest;  // hash record: BLAKE2sp
      extra += Vint(record.size()) + record;
    }
    unsigned headerFlags = 0;
    std::string sizes;
    if (!extra.empty()) {
      headerFlags |= 0x0001;
      sizes += Vint(extra.size());
    }
    headerFlags |= 0x0002;  // a data size, 0 for a folder, is always there
    sizes += Vint(data.size());
    RarBytes fields;
    const unsigned fileFlags = e.folder ? 0x0001 | 0x0002 : hashOnly ? 0x0002 : 0x0002 | 0x0004;
    fields.Raw(Vint(fileFlags) + Vint(data.size()) + Vint(e.folder ? 0x10 : 0x20));
    fields.U32(1577836800);  // 2020-01-01 00:00 UTC
    if (!e.folder && !hashOnly) fields.U32(e.badCrc ? Crc32(data) ^ 0xDEADBEEF : Crc32(data));
    fields.Raw(Vint(0) + Vint(0) + Vint(e.name.size()) + e.name);  // store, Windows, name
    out += Rar5Block(Vint(2) + Vint(headerFlags) + sizes + fields.str() + extra);
    out += data;
  }
  out += Rar5Block(Vint(5) + Vint(0) + Vint(0));  // end of archive
  return out;
}

}  // namespace ks::test
