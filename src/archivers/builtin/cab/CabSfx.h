#pragma once
// Cab32's "-f -w" command: turns a cabinet into a Windows self-extracting
// program, the cabinet's stem + ".exe" beside it. Nothing is written
// unless the stub can extract the cabinet: whole, one cabinet of a set of
// one, starting at its first byte, stored or MSZIP-compressed.

#include <string>

#include "archivers/builtin/common/OutputLog.h"

namespace ks {

int CabMakeSelfExtractor(const std::string& archive, OutputLog& log);

}  // namespace ks
