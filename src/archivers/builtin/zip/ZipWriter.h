#pragma once
// Writes a ZIP archive of a pack plan: deflate, UTF-8 names flagged, Unix
// permissions, ZIP64 where sizes or counts need it, and with a password the
// traditional PKWARE encryption, which every ZIP reader opens (Windows' own
// included).

#include <filesystem>
#include <optional>
#include <string>

#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/PackList.h"
#include "archivers/builtin/common/WorkerThreads.h"
#include "platform/Platform.h"

namespace ks {

// Writes `plan` into `file` (created or replaced) with deflate `level` 1 to
// 9, or stored entries for level 0. Progress goes to the host's progress
// window owned by `owner`. Returns 0, kArcUserCancel,
// kArcFileOpen / kArcCannotRead for a file that cannot be read, or a write
// error (kArcDiskSpace, kArcReadOnly, kArcCannotWrite). On failure `file` may
// hold a partial archive; the caller removes it. Entries are deflated on
// `threads` threads (1: in the caller's); without a password the archive is
// the same for any number.
int WriteZip(WindowHandle owner, const PackPlan& plan, const std::filesystem::path& file,
             const std::optional<std::string>& password, int level, OutputLog& log,
             unsigned threads = WorkerThreads());

}  // namespace ks
