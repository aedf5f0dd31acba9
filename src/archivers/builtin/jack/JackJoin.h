#pragma once
// Joining a set of Jack pieces back into the original file.

#include <filesystem>

#include "archivers/builtin/common/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

// Starting from any one piece, finds the others beside it (by their names,
// else by their headers), checks the whole set before writing anything,
// and writes the file into `folder` under a temporary name that becomes the
// original name only when the CRC-32 of the whole matches. An existing file
// is replaced only when the host says so. Returns 0, kArcNotArcFile (not a
// piece), kArcMissingPiece, kArcBrokenData (a damaged or cut piece or a
// wrong CRC), or another ArcResult.
int JackJoin(WindowHandle owner, const std::filesystem::path& piece,
             const std::filesystem::path& folder, OutputLog& log);

}  // namespace ks
