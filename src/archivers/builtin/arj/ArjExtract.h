#pragma once
// What UnArj32j does with an ARJ archive: extract it into a folder, test
// every entry's CRC-32, and tell whether a file is an ARJ archive at all.

#include <string>

#include "archivers/builtin/common/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

// Extracts every entry with its folders into `folder`, through SafeExtract.
// An entry that cannot be extracted (encrypted, spanning volumes, damaged
// data) is logged and left out, and the others are still extracted: the
// result is then the first such failure. A damaged header or an archive cut
// short ends the run. 0 when everything was extracted.
int ExtractArj(const std::string& archive, const std::string& folder, WindowHandle owner,
               OutputLog& log);

// Decodes every entry and verifies its CRC-32; an entry that cannot be
// verified (encrypted, spanning volumes) counts as a failure. 0 when sound.
int TestArj(const std::string& archive, OutputLog& log);

// The quick check: an ARJ main header, also after a self-extractor's
// program.
bool LooksLikeArj(const std::string& archive);

}  // namespace ks
