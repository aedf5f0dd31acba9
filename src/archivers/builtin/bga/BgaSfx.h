#pragma once
// Bga32's "s" command: turns a GZA or BZA archive into a Windows
// self-extracting program, the archive's stem + ".exe" beside it. Nothing
// is written unless the archive is whole and starts at its first byte.

#include <string>

#include "archivers/builtin/common/OutputLog.h"

namespace ks {

int BgaMakeSelfExtractor(const std::string& archive, OutputLog& log);

}  // namespace ks
