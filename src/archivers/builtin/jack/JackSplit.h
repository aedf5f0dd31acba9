#pragma once
// Cutting a file into Jack pieces (format in JackFormat.h).

#include <cstdint>
#include <filesystem>

#include "archivers/builtin/common/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

struct JackSplitRequest {
  std::filesystem::path source;
  std::filesystem::path folder;  // where the pieces go; made when missing
  std::uint64_t pieceKB = 0;     // bound of each piece file, 1 KB = 1024 bytes
  bool selfJoining = false;      // also write the joiner script
};

// The most pieces one split makes; a size that would give more is almost
// surely a typing slip, and thousands of files are hard to undo.
inline constexpr std::uint32_t kJackMaxPieces = 99999;

// Streams the source once into temporary pieces, writes the headers when
// the whole file's CRC is known and renames the set into place together, so
// a failure or Cancel leaves nothing. Existing pieces are replaced only when
// the host says so. Returns 0 or an ArcResult.
int JackSplit(WindowHandle owner, const JackSplitRequest& request, OutputLog& log);

}  // namespace ks
