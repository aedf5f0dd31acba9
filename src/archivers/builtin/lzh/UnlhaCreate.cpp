// Temporary until the LZH encoder lands: creating LHA archives is refused
// with a clear result.
#include "archivers/builtin/lzh/UnlhaCreate.h"

#include "archivers/builtin/ResultCodes.h"

namespace ks {

int UnlhaCreate(WindowHandle, const std::vector<std::string>&, OutputLog& log) {
  log.Line("creating LHA archives is not available in this build");
  return kArcNotSupported;
}

}  // namespace ks
