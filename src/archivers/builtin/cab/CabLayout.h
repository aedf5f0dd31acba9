#pragma once
// A cabinet's headers (CFHEADER, CFFOLDER, CFFILE) read into plain
// records, for our own reader (CabReader). Only the plain kind is taken:
// one cabinet alone, stored or MSZIP folders, and files listed folder by
// folder with their data one after the other. Anything else, and any
// header that does not parse, is left to libarchive, which knows the rest
// of the format and how libarchive reports its damage.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archivers/builtin/common/SafeExtract.h"

namespace ks {

struct CabFolderRecord {
  std::uint64_t dataAt = 0;  // where its first data block starts in the file
  unsigned blocks = 0;
  bool compressed = false;  // MSZIP; otherwise stored
};

struct CabFileRecord {
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // in its folder's uncompressed data
  std::uint16_t folder = 0;
  std::uint16_t date = 0, time = 0, attributes = 0;
  std::string name;  // as stored
};

struct CabLayout {
  std::vector<CabFolderRecord> folders;
  std::vector<CabFileRecord> files;
  std::size_t dataReserve = 0;  // bytes each data block's header carries beyond its own
};

// How many bytes from the start of the file the headers of the cabinet
// beginning `head` (at least its first 64 KiB, or all of a smaller file)
// take up to its first data block; nullopt when it is not a plain cabinet.
std::optional<std::size_t> CabHeaderSpan(const unsigned char* head, std::size_t size);

// The headers of a plain cabinet, `size` bytes from the start of the file
// (as CabHeaderSpan gave); nullopt when it is none.
std::optional<CabLayout> ReadCabLayout(const unsigned char* bytes, std::size_t size);

// A file as extraction takes it, as libarchive gives it: its name in UTF-8
// with "/" between folders, read-only as 0555 and otherwise 0666, and its
// DOS stamp as local time.
ExtractEntry CabEntryOf(const CabFileRecord& file);

}  // namespace ks
