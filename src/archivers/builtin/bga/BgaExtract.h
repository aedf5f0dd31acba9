#pragma once
// Extracting and testing GZA and BZA archives. BgaReader reads and
// verifies; SafeExtract writes.

#include <string>

#include "archivers/builtin/common/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

// Extracts every entry into `folder` with its folders, times and read-only
// attribute. A file whose data fails its checks is not left behind; the
// command stops there. 0, or the ArcResult of the first failure (logged).
int ExtractBga(WindowHandle owner, const std::string& archive, const std::string& folder,
               OutputLog& log);

// Decompresses and verifies every entry, with progress and Cancel.
// 0 when the archive is sound.
int TestBga(const std::string& archive, OutputLog& log);

}  // namespace ks
