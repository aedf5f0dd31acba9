#pragma once
// Our own walk of a cabinet's data blocks (CabIndex) held against what
// libarchive reads: no file is passed as sound while a block its data
// comes from, or depends on, fails its checksum.

#include "archivers/builtin/common/ArchiveGuard.h"

namespace ks {

std::unique_ptr<ArchiveGuard> MakeCabGuard();

}  // namespace ks
