#include "archivers/builtin/cab/CabSfx.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/SelfExtractor.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeaderSize = 36;
constexpr std::size_t kFolderSize = 8;
constexpr unsigned kInSet = 0x0003;          // a cabinet before or after this one
constexpr unsigned kReservePresent = 0x0004;

// What the stub decodes: the header and every folder's compression.
int CheckLayout(const std::string& archive, OutputLog& log) {
  std::ifstream in(archive, std::ios::binary);
  if (!in) {
    log.Line("cannot open the cabinet " + archive);
    return kArcArcFileOpen;
  }
  unsigned char h[kHeaderSize + 4] = {};
  if (!in.read(reinterpret_cast<char*>(h), kHeaderSize) || std::memcmp(h, "MSCF", 4) != 0) {
    log.Line("not a cabinet that starts at the file's first byte (a program already?): " + archive);
    return kArcNotArcFile;
  }
  const unsigned folders = LoadLe16(h + 26);
  const unsigned flags = LoadLe16(h + 30);
  if (flags & kInSet) {
    log.Line("the cabinet is part of a set; a self-extractor holds one whole cabinet");
    return kArcNotSupported;
  }
  std::size_t folderReserve = 0;
  if (flags & kReservePresent) {
    in.read(reinterpret_cast<char*>(h + kHeaderSize), 4);
    folderReserve = h[kHeaderSize + 2];
    in.seekg(LoadLe16(h + kHeaderSize), std::ios::cur);
  }
  for (unsigned i = 0; i < folders; ++i) {
    unsigned char f[kFolderSize];
    if (!in.read(reinterpret_cast<char*>(f), kFolderSize)) {
      log.Line("archive damaged: the cabinet ends in its folder list");
      return kArcUnexpectedEof;
    }
    if ((LoadLe16(f + 6) & 0x000F) > 1) {
      log.Line("the self-extractor decodes stored and MSZIP cabinets only; this one uses LZX or Quantum");
      return kArcNotSupported;
    }
    in.seekg(static_cast<std::streamoff>(folderReserve), std::ios::cur);
  }
  return kArcOk;
}

}  // namespace

int CabMakeSelfExtractor(const std::string& archive, OutputLog& log) {
  const fs::path path(archive);
  return MakeSelfExtractor(SfxStub::Cab, path, path.parent_path(), [&](OutputLog& checkLog) {
    const int r = CheckLayout(archive, checkLog);
    return r == kArcOk ? TestArchive(archive, kFormatCab, checkLog) : r;
  }, log);
}

}  // namespace ks
