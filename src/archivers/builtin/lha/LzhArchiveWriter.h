#pragma once
// Writes an LHA archive of a pack plan: level-2 headers, files coded with the
// chosen method (stored as -lh0- when coding does not make them smaller),
// folders as -lhd- entries so empty ones survive.

#include <filesystem>

#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/PackList.h"
#include "archivers/builtin/common/WorkerThreads.h"
#include "archivers/builtin/lha/LzhMethod.h"
#include "platform/Platform.h"

namespace ks {

// Creates `file` (it must not exist) and writes `plan` into it, with progress
// (bytes and the current name) in the host's progress window owned by
// `owner`. Returns 0, kArcAlreadyExist, kArcFileOpen / kArcCannotRead for a
// file that cannot be read, kArcTooLarge for a file of 4 GiB or more,
// kArcUserCancel, or a write error (kArcDiskSpace, kArcReadOnly,
// kArcCannotWrite). On any failure the unfinished archive is removed.
// Files are coded on `threads` threads (1: in the caller's); the archive is
// the same for any number.
int WriteLzhArchive(WindowHandle owner, const PackPlan& plan, const std::filesystem::path& file,
                    LzhMethod method, OutputLog& log, unsigned threads = WorkerThreads());

}  // namespace ks
