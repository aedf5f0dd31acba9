#pragma once
// The "a" command of the Unlha32 back-end: creates an LHA archive.

#include <string>
#include <vector>

#include "archivers/builtin/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

// `args` is the whole command line split by SplitCommandLine: either
// {"@" + listFile} (the list file's first two lines are "a -x1 -r2" and the
// quoted archive, then one name per line) or {"a", "-x1", "-r2", archive,
// names...}. Names are relative to the current directory. Returns 0 or an
// ArcResult.
int UnlhaCreate(WindowHandle owner, const std::vector<std::string>& args, OutputLog& log);

}  // namespace ks
