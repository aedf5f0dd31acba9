#pragma once
// Our own walk over the block headers of a RAR 4 or RAR 5 archive, taken
// before libarchive reads it. libarchive decodes the data, but it does not
// verify the CRC-32 or BLAKE2sp hash of stored entries, accepts an archive
// that stops short of its end block, and splits RAR 4 names at byte 0x5C
// before decoding them, which breaks CP932 names ("表" is 95 5C). The
// reader holds each entry libarchive gives against this list.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ks {

struct RarIndexEntry {
  // The name decoded by us, "/" between folders; empty when the header
  // carries RAR 4's Unicode form, which libarchive decodes well.
  std::string name;
  bool folder = false;
  bool encrypted = false;
  bool split = false;  // continues into another volume
  std::optional<std::uint32_t> crc;   // CRC-32 of the unpacked data
  // RAR 5 made with the BLAKE2 option: the hash stored instead of (or
  // beside) the CRC-32.
  std::optional<std::array<std::uint8_t, 32>> blake2sp;
  std::optional<std::uint64_t> size;  // unpacked size, when the header knows it
};

enum class RarIndexEnd {
  Whole,             // the end block was reached (RAR 4: or a clean end of file)
  Cut,               // the file ends inside a header or an entry's data
  Damaged,           // a header fails its CRC or holds impossible numbers
  HeadersEncrypted,  // the headers past this point cannot be read without a password
  NotFound,          // no RAR signature at all
};

struct RarIndex {
  int version = 0;  // 4 or 5
  std::vector<RarIndexEntry> entries;  // file and folder headers, in order
  RarIndexEnd end = RarIndexEnd::NotFound;
  std::string problem;  // why the walk stopped short of the end
};

// Walks `file`. A self-extractor's program before the signature is skipped.
RarIndex ReadRarIndex(const std::string& file);

}  // namespace ks
