#pragma once
// Self-extracting programs: one of the stubs of sfx/ (built into this
// program from the binaries committed there), followed by an archive's
// bytes unchanged, so that archive tools still find the archive inside.
// The conversion commands of Unlha32, Cab32 and Bga32 write them here.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "archivers/builtin/common/OutputLog.h"

namespace ks {

enum class SfxStub {
  LzhWindow,   // Windows, a window with the folder, progress and 展開 (WinSFX)
  LzhMinimal,  // Windows, no window unless something goes wrong (WinSFXM)
  LzhDos,      // DOS, real mode
  Cab,         // Windows, a window
  Bga,         // Windows, a window; GZA and BZA archives
};
constexpr std::size_t kSfxStubCount = 5;

struct SfxStubImage {
  const unsigned char* data;
  std::size_t size;
};

// The stub built into this program; size 0 when this build has none.
SfxStubImage SelfExtractorStub(SfxStub stub);
// "" when the stub is built in, else why programs of that kind cannot be
// made here, naming the missing piece: for a command's log, and for the
// user (CommonArchiver::CommandRefusal).
std::string MissingStubReason(SfxStub stub);
std::string MissingStubRefusal(SfxStub stub);

// The program made of `archive` in `folder`: the archive's stem + ".exe".
std::filesystem::path SelfExtractorName(const std::filesystem::path& archive,
                                        const std::filesystem::path& folder);

// Writes `program`: the stub, then every byte of `archive`. The program is
// written under a temporary name and moved to its name only when complete,
// never replacing a file. Returns kArcOk, kArcNotSupported (no such stub),
// kArcArcFileOpen / kArcCannotRead (the archive), kArcAlreadyExist, or a
// write error; every failure is logged and leaves nothing behind.
int WriteSelfExtractor(SfxStub stub, const std::filesystem::path& archive,
                       const std::filesystem::path& program, OutputLog& log);

// The conversion of every back-end: refused when this build lacks the
// stub; then `check` (which tells the log why the stub could not extract
// the archive, and returns its ArcResult); then the program, the
// archive's stem + ".exe", written into `folder`.
int MakeSelfExtractor(SfxStub stub, const std::filesystem::path& archive, const std::filesystem::path& folder,
                      const std::function<int(OutputLog&)>& check, OutputLog& log);

}  // namespace ks
