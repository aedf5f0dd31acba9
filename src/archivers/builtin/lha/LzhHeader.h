#pragma once
// Level-2 headers of LHA archives: a fixed part (method, sizes, Unix time,
// data CRC-16, OS id) and extended headers for the header
// CRC (0x00), the file name (0x01), the folder name (0x02, 0xFF between
// folders), and where they differ from what readers assume, the name's code
// page (0x46), the MS-DOS attribute (0x40) and the Unix permissions (0x50).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ks {

// The largest size the fixed part of a header can record.
constexpr std::uint64_t kLzhMaxEntrySize = 0xFFFFFFFFull;

constexpr std::uint8_t kDosArchive = 0x20;
constexpr std::uint8_t kDosDirectory = 0x10;
constexpr std::uint8_t kDosReadOnly = 0x01;

struct LzhEntryHeader {
  std::string method = "-lh0-";    // five characters; "-lhd-" for a folder
  std::uint32_t compressedSize = 0;
  std::uint32_t originalSize = 0;
  std::uint32_t modified = 0;      // Unix time
  std::uint8_t dosAttribute = kDosArchive;
  std::uint16_t dataCrc = 0;
  std::string name;                // stored bytes, "/" between folders; a folder's own path
  bool isFolder = false;
  std::uint32_t codePage = 932;
  std::uint16_t unixMode = 0100644;  // file type bits included
};

// The header bytes; nullopt when they would not fit the 16-bit header size
// (a name of tens of kilobytes). The length depends only on the name, so a
// header rebuilt with the final sizes and CRC replaces the first one in place.
std::optional<std::vector<std::uint8_t>> BuildLevel2Header(const LzhEntryHeader& header);

}  // namespace ks
