#pragma once
// Names inside LHA headers. Windows LHA tools read names in CP932, so a name
// is stored in CP932 when every character fits; otherwise it stays UTF-8.
// Either way the header says which (the code page extension), so readers
// that look for it (libarchive does) get the name back exactly.

#include <cstdint>
#include <string>

namespace ks {

constexpr std::uint32_t kCodePageCp932 = 932;
constexpr std::uint32_t kCodePageUtf8 = 65001;

struct LzhName {
  std::string bytes;       // the name as stored, "/" between folders
  std::uint32_t codePage;  // kCodePageCp932 or kCodePageUtf8
};

// The stored form of a UTF-8 archive name ("doc/表.txt").
LzhName EncodeLzhName(const std::string& utf8);

}  // namespace ks
