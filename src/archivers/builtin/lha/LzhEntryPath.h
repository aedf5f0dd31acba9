#pragma once
// The path of an LZH entry from its stored names. Names are CP932 unless
// the header names another code page (65001 for UTF-8, 1252 ...); without
// one, a name that is valid UTF-8 (what Unix tools write) is read as UTF-8. Separators are 0xFF in folder headers and
// "\" or "/" in names; a "\" that is the second byte of a CP932 character
// ("表" is 0x95 0x5C) stays part of its character. MS-DOS names written all
// in capitals are shown in small letters, as Unix LHA readers do.

#include <string>

#include "archivers/builtin/lha/LzhEntryInfo.h"

namespace ks {

struct LzhEntryPath {
  // UTF-8, "/" between folders, no leading or trailing "/"
  std::string path;
  std::string linkTarget;  // for a symbolic link ("name|target" in the header)
  bool isLink = false;
};

LzhEntryPath MakeLzhEntryPath(const LzhEntryInfo& info);

}  // namespace ks
