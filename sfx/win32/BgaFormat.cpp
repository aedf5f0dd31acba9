// The format of the stubs that carry Bga archives.
#include "sfx/core/BgaArchive.h"
#include "sfx/win32/Stub.h"

namespace ks::sfx {

Archive* MakeStubArchive(Source& source) { return new BgaArchive(source); }

}  // namespace ks::sfx
