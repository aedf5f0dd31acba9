#pragma once
// The "a" command of the Unlha32 back-end: creates an LHA archive.

#include <string>
#include <vector>

#include "archivers/builtin/common/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

// `args` is the whole command line split by SplitCommandLine: either
// {"@" + listFile} (the list file's first two lines are "a -x1 -r2" and the
// quoted archive, then one name per line) or {"a", "-x1", "-r2", archive,
// names...}; "-o5", "-o6" or "-o7" among the switches picks the method,
// otherwise UnlhaMethod() holds. Names are relative to the current
// directory; a folder brings everything under it. The archive must not
// exist yet (kArcAlreadyExist). Returns 0 or an ArcResult (kArcNotExist,
// kArcFileOpen, kArcCannotRead, kArcTooLarge, kArcDiskSpace, kArcReadOnly,
// kArcCannotWrite, kArcUserCancel, kArcCommandName); on failure no archive
// is left behind.
int UnlhaCreate(WindowHandle owner, const std::vector<std::string>& args, OutputLog& log);

}  // namespace ks
