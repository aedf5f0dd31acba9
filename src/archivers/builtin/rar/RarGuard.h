#pragma once
// Our own walk of a RAR archive's headers (RarIndex) held against what
// libarchive reads: names decoded right, every entry verified, nothing
// missing up to the end block.

#include "archivers/builtin/common/ArchiveGuard.h"

namespace ks {

std::unique_ptr<ArchiveGuard> MakeRarGuard();

}  // namespace ks
