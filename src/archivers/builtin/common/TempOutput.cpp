#include "archivers/builtin/common/TempOutput.h"

#include <fcntl.h>

#include <cerrno>

#include "archivers/builtin/common/FileCalls.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace fs = std::filesystem;

TempOutput::TempOutput(fs::path target) : target_(std::move(target)) {
  const std::string base = target_.filename().string() + ".~kspart";
  std::error_code ec;
  for (int n = 1;; ++n) {
    temp_ = target_.parent_path() / (n == 1 ? base : base + std::to_string(n));
    if (!fs::exists(fs::symlink_status(temp_, ec))) break;
  }
}

TempOutput::~TempOutput() { Discard(); }

std::error_code TempOutput::Commit(bool replaceExisting) {
  // Asking first and renaming after would let a file that appears between
  // the two be replaced; the move itself refuses a taken name.
  if (const int err = MoveIntoPlace(AT_FDCWD, temp_.c_str(), target_.c_str(), replaceExisting); err != 0)
    return std::error_code(err, std::generic_category());
  committed_ = true;
  return {};
}

void TempOutput::Discard() {
  if (committed_) return;
  std::error_code ec;
  fs::remove(temp_, ec);
}

int WriteErrorResult(int errnoValue) {
  switch (errnoValue) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      return kArcDiskSpace;
    case EROFS:
    case EACCES:
    case EPERM:
      return kArcReadOnly;
    default:
      return kArcCannotWrite;
  }
}

int WriteErrorResult(const std::error_code& error) {
  return error.category() == std::generic_category() || error.category() == std::system_category()
             ? WriteErrorResult(error.value())
             : kArcCannotWrite;
}

}  // namespace ks
