#pragma once
// The fixed sizes and flags of a cabinet's records, which CabIndex's walk
// and our own reader (CabLayout, CabReader) both read.

#include <cstddef>
#include <cstdint>

namespace ks {

// CFHEADER, then one CFFOLDER record per folder, one CFFILE record (and
// its name) per file.
inline constexpr std::size_t kCabHeader = 36;
inline constexpr std::size_t kCabFolderRecord = 8;
inline constexpr std::size_t kCabFileRecord = 16;
inline constexpr std::uint16_t kCabFlagPrevious = 0x0001;  // continued from another cabinet
inline constexpr std::uint16_t kCabFlagNext = 0x0002;      // continued in another one
inline constexpr std::uint16_t kCabFlagReserve = 0x0004;   // records carry reserved bytes
// The low four bits of a folder's compression type.
inline constexpr std::uint16_t kCabCompressionMask = 0x000F;
inline constexpr std::uint16_t kCabStored = 0;
inline constexpr std::uint16_t kCabMsZip = 1;

// A data block (CFDATA) starts with its checksum and its two sizes; a
// block holds at most 32 KiB of uncompressed data, and a little more when
// its compression did not pay.
inline constexpr std::size_t kCabDataHeader = 8;
inline constexpr std::size_t kCabMaxBlock = 64 * 1024;
inline constexpr std::size_t kCabFullBlock = 32 * 1024;

}  // namespace ks
