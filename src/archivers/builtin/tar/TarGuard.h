#pragma once
// A tar archive whose first header is damaged: libarchive no longer takes
// the file for tar at all. The guard finds the next sound header, so an
// extraction can read on from there; a test fails.

#include "archivers/builtin/common/ArchiveGuard.h"

namespace ks {

std::unique_ptr<ArchiveGuard> MakeTarGuard();

}  // namespace ks
