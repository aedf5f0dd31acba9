#pragma once
// The frame of every creating command that names its files in a list file:
// an existing archive is never replaced, the listed names are collected,
// the writer fills a temporary file beside the archive, and only a complete
// archive gets its name. A failed or cancelled run leaves nothing behind.

#include <filesystem>
#include <functional>
#include <string>

#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/PackList.h"

namespace ks {

// Writes the archive of `plan` into `temp`; 0 or an ArcResult.
using PlanWriter = std::function<int(const PackPlan& plan, const std::filesystem::path& temp)>;

// Makes `archive` from the names of `listArgument` ("@listfile"). 0, or
// kArcAlreadyExist, the result of CollectPackList or of `write`, or a
// write error from naming the archive; every failure is logged.
int CreateFromList(const std::filesystem::path& archive, const std::string& listArgument,
                   const PlanWriter& write, OutputLog& log);

}  // namespace ks
