#include "archivers/builtin/bga/BgaSfx.h"

#include <filesystem>

#include "archivers/builtin/bga/BgaReader.h"
#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/SelfExtractor.h"

namespace ks {
namespace fs = std::filesystem;

int BgaMakeSelfExtractor(const std::string& archive, OutputLog& log) {
  if (const std::string missing = MissingStubReason(SfxStub::Bga); !missing.empty()) {
    log.Line(missing);
    return kArcNotSupported;
  }
  BgaReader reader;
  int r = reader.Open(archive);
  if (r != kArcOk) {
    log.Line(reader.errorText());
  } else if (reader.start() != 0) {
    log.Line("the archive does not start at the file's first byte (a program already?): " + archive);
    r = kArcNotArcFile;
  } else {
    r = TestEntries(reader, log);
  }
  if (r != kArcOk) {
    log.Line("no self-extractor made");
    return r;
  }
  const fs::path path(archive);
  return WriteSelfExtractor(SfxStub::Bga, path, SelfExtractorName(path, path.parent_path()), log);
}

}  // namespace ks
