#include "archivers/builtin/bga/BgaSfx.h"

#include <filesystem>

#include "archivers/builtin/bga/BgaReader.h"
#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/SelfExtractor.h"

namespace ks {
namespace fs = std::filesystem;

int BgaMakeSelfExtractor(const std::string& archive, OutputLog& log) {
  const fs::path path(archive);
  return MakeSelfExtractor(SfxStub::Bga, path, path.parent_path(), [&](OutputLog& checkLog) {
    BgaReader reader;
    if (const int r = reader.Open(archive); r != kArcOk) {
      checkLog.Line(reader.errorText());
      return r;
    }
    if (reader.start() != 0) {
      checkLog.Line("the archive does not start at the file's first byte (a program already?): " + archive);
      return static_cast<int>(kArcNotArcFile);
    }
    return TestEntries(reader, checkLog);
  }, log);
}

}  // namespace ks
