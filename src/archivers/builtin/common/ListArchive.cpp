#include "archivers/builtin/common/ListArchive.h"

#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks {
namespace fs = std::filesystem;

int CreateFromList(const fs::path& archive, const std::string& listArgument,
                   const PlanWriter& write, OutputLog& log) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(archive, ec))) {
    log.Line("the archive exists already, not replaced: " + archive.string());
    return kArcAlreadyExist;
  }
  PackPlan plan;
  int r = CollectPackList(listArgument, archive, plan, log);
  TempOutput output(archive);
  if (r == kArcOk) r = write(plan, output.temp());
  if (r != kArcOk) {
    log.Line("no archive made");
    return r;
  }
  if (const auto err = output.Commit(false)) {
    log.Line("cannot name the archive " + archive.string() + ": " + err.message());
    return err == std::errc::file_exists ? kArcAlreadyExist : WriteErrorResult(err);
  }
  log.Line("created " + archive.string() + " (" + std::to_string(plan.items.size()) + " entries)");
  return kArcOk;
}

}  // namespace ks
