#pragma once
// Reads LZH entry headers of levels 0 to 3 with their extended headers:
// checksums and CRCs checked, sizes checked against the file, unknown
// extended headers passed over.

#include <string>

#include "archivers/builtin/lha/LzhArchiveFile.h"
#include "archivers/builtin/lha/LzhEntryInfo.h"

namespace ks {

enum class LzhHeaderResult { Entry, End, Unmarked, Broken };

// Reads the header at the file's position into `info`. End at the end mark
// (a zero byte) and at the padding that old transfer programs appended
// (0x1A or 0x00 to the end of the file); Unmarked where the file ends with
// neither. Broken with
// `error` set for anything else that is not a sound header; the file
// position is then unspecified.
LzhHeaderResult ReadLzhHeader(LzhArchiveFile& file, LzhEntryInfo& info, std::string& error);

// Where the first header of an archive starts: 0 for a file that starts
// like one (sound or not), else past the program of a self-extracting
// archive (searched in its first megabyte); nullopt when no header is found.
std::optional<std::uint64_t> FindFirstLzhHeader(LzhArchiveFile& file);

// True for the five method characters of an LZH or LArc entry ("-lh5-",
// "-lzs-", "-pm1-" ...), known to us or not.
bool LooksLikeLzhMethod(const char* method);

}  // namespace ks
