// The format of the stubs that carry Lzh archives.
#include "sfx/core/LzhArchive.h"
#include "sfx/win32/Stub.h"

namespace ks::sfx {

Archive* MakeStubArchive(Source& source) { return new LzhArchive(source); }

}  // namespace ks::sfx
