#pragma once
// Writes GZA (gzip) and BZA (bzip2) archives for the Bga32 back-end.

#include <filesystem>

#include "archivers/builtin/bga/BgaFormat.h"
#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/PackList.h"
#include "archivers/builtin/common/WorkerThreads.h"
#include "platform/Platform.h"

namespace ks {

// Writes every item of `plan` into `file`, which must not exist yet: each
// file compressed as one gzip member or bzip2 stream, or stored as it is
// when that is not smaller; folders as entries of their own, so empty ones
// come back. Names are stored in CP932; a name that cannot be (see
// BgaStoredName) fails the whole archive before anything is written, with
// kArcBadName. Other results: 0, kArcNotExist (nothing to pack),
// kArcTooLarge (a file of 4 GiB or more), kArcFileOpen, kArcCannotRead,
// kArcUserCancel, or a write error. On failure `file` may hold part of an
// archive; the caller removes it. Files are compressed on `threads`
// threads (1: in the caller's); the archive is the same for any number.
int WriteBga(WindowHandle owner, const PackPlan& plan, BgaMethod method,
             const std::filesystem::path& file, OutputLog& log,
             unsigned threads = WorkerThreads());

}  // namespace ks
