#pragma once
// Finding a sound LZH header by looking at every byte: the first header of
// a self-extracting archive, which follows its program, and the next header
// after one that was damaged, where the chain of headers is cut.

#include <cstdint>
#include <optional>

#include "archivers/builtin/lha/LzhArchiveFile.h"

namespace ks {

// The offset of the first header at or after `from` and before `limit`
// that reads as sound (ReadLzhHeader gives an entry), trying at most
// `maxTries` places that start like a header; nullopt when there is none.
// The file is left at the header found.
std::optional<std::uint64_t> FindSoundLzhHeader(LzhArchiveFile& file, std::uint64_t from, std::uint64_t limit,
                                                int maxTries);

}  // namespace ks
