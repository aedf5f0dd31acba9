#pragma once
// Creating tar archives (plain, gzip or bzip2) for the Tar32 back-end.

#include <string>
#include <vector>

#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/common/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

enum class TarCompression { None, Gzip, Bzip2 };

// Writes `archive` holding `names` (relative to the current directory;
// folders with everything under them, empty folders kept, links stored as
// links). pax format, ustar where the names allow it, names in UTF-8.
// Returns 0 or an ArcResult; on failure no archive is left behind.
int CreateTar(WindowHandle owner, const std::string& archive, const std::vector<ListEntry>& names,
              TarCompression compression, OutputLog& log);

}  // namespace ks
