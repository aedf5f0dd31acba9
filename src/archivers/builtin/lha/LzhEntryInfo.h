#pragma once
// One entry header of an LZH archive as read, before its names are turned
// into a path: what every header level and extended header can say.

#include <cstdint>
#include <optional>
#include <string>

namespace ks {

// Operating-system ids of the header that change how it is read.
constexpr std::uint8_t kLzhOsMsdos = 'M';
constexpr std::uint8_t kLzhOsUnix = 'U';
constexpr std::uint8_t kLzhOsOs9 = '9';
constexpr std::uint8_t kLzhOsOs9_68k = 'K';
constexpr std::uint8_t kLzhOsOs2 = '2';
constexpr std::uint8_t kLzhOsAtari = 'a';
constexpr std::uint8_t kLzhOsMac = 'm';  // MacLHA
constexpr std::uint8_t kLzhOsGeneric = 0;  // level 0 headers name no system

struct LzhEntryInfo {
  std::string method;                  // five characters, "-lh5-"
  int level = 0;
  std::uint64_t headerOffset = 0;      // where the header starts in the file
  std::uint64_t dataOffset = 0;        // where the coded data starts
  std::uint64_t compressedSize = 0;
  std::uint64_t originalSize = 0;
  std::uint16_t dataCrc = 0;
  std::uint8_t osId = kLzhOsGeneric;
  std::uint8_t dosAttribute = 0x20;
  // Stored bytes: the name field or extended header 0x01, and the folder of
  // extended header 0x02 with its 0xFF separators.
  std::string rawName;
  std::string rawFolder;
  bool hasFolderHeader = false;
  std::optional<std::uint32_t> codePage;
  std::optional<std::int64_t> mtime;   // seconds since 1970
  std::optional<unsigned> unixMode;    // with the file type bits
};

}  // namespace ks
