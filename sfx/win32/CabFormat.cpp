// The format of the stubs that carry Cab archives.
#include "sfx/core/CabArchive.h"
#include "sfx/win32/Stub.h"

namespace ks::sfx {

Archive* MakeStubArchive(Source& source) { return new CabArchive(source); }

}  // namespace ks::sfx
