#pragma once
// The ZIP archive's central directory held against the entries libarchive
// streams through their local headers: a missing directory means the file
// was cut short, and no listed entry may go missing in silence. Past damage,
// an extraction reads on from the next local header, as a stream.

#include "archivers/builtin/common/ArchiveGuard.h"

namespace ks {

std::unique_ptr<ArchiveGuard> MakeZipGuard();

}  // namespace ks
