#pragma once
// The data CRC-32 of every file header of a RAR 4 archive, in archive order.
// libarchive does not verify the CRC of stored RAR 4 entries; the reader
// checks them against this list.

#include <cstdint>
#include <string>
#include <vector>

namespace ks {

// Empty when the file is no RAR 4 archive or its headers cannot be walked
// (the data is then verified only as far as libarchive does).
std::vector<std::uint32_t> ReadRar4FileCrcs(const std::string& file);

}  // namespace ks
