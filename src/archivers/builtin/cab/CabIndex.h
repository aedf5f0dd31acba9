#pragma once
// Our own walk of a cabinet's folders and data blocks, taken before
// libarchive reads it. libarchive hands out a block's data before it has
// verified the block's checksum, so a file that ends inside a damaged block
// would be passed as sound; and in a compressed folder every block after a
// damaged one is decoded from damaged history, with sound checksums of its
// own. From this walk each file is known to be verified or damaged before
// its data is read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archivers/builtin/cab/CabFormat.h"

namespace ks {

struct CabFileSpan {
  std::uint32_t size = 0;
  std::uint32_t folderOffset = 0;  // where its data starts in its folder's uncompressed data
  std::uint16_t folder = 0;
};

// A stretch [begin, end) of a folder's uncompressed data.
using CabRange = std::pair<std::uint64_t, std::uint64_t>;

struct CabFolderState {
  bool compressed = false;  // blocks decode from the history of those before
  // Uncompressed ranges of blocks whose checksum fails, or that the file
  // does not hold in full.
  std::vector<CabRange> damaged;
};

struct CabIndex {
  bool readable = false;  // the headers were read; otherwise nothing is known
  std::vector<CabFileSpan> files;  // in the order of the cabinet's file records
  std::vector<CabFolderState> folders;
  // Why `file` cannot be verified (its data lies in a damaged block, or
  // after one in a compressed folder), or nullopt when it is sound.
  std::optional<std::string> Damage(std::size_t file) const;
};

CabIndex ReadCabIndex(const std::string& file);

// The stretch of its folder a data block damages, the block's
// uncompressed data starting at `done`; nullopt when it is sound. `header`
// is null when the block's header could not be read, `data` when its
// packed bytes could not be read in full (or are more than a block holds).
// `last`: the folder's last block.
std::optional<CabRange> CabBlockDamage(const unsigned char* header, const unsigned char* data, bool compressed,
                                       bool last, std::uint64_t done);

// Why a file spanning `span` of `folder` cannot be verified, given the
// damage found in the folder so far; nullopt when none of it touches the
// file. Every block that starts before the file's end must have been seen.
std::optional<std::string> CabSpanDamage(const CabFolderState& folder, const CabFileSpan& span);

// The cabinet checksum of `size` bytes, continuing from `seed`.
std::uint32_t CabChecksum(const unsigned char* data, std::size_t size, std::uint32_t seed);

}  // namespace ks
