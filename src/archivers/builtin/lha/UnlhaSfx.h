#pragma once
// Unlha32's "s" command: turns an LZH archive into a self-extracting
// program, the archive's stem + ".exe" beside it or in the folder named.
//   s -x1 "archive" "folder"   DOS
//   s -x1 "archive" -gw        Windows (32-bit), with a window
//   s -x1 "archive" -gw3       Windows (32-bit), no window unless needed
//   s -x1 "archive" -jw / -jw3 Windows 3.x: refused, nothing here builds
//                              Windows 3.x programs

#include <string>
#include <vector>

#include "archivers/builtin/common/OutputLog.h"

namespace ks {

// Runs the command (args[0] is "s"). Nothing is written unless the stub
// can extract every entry: the archive must be whole, start at its first
// byte, use level-2 headers and methods the stub decodes, and for DOS
// hold only names DOS can take.
int UnlhaMakeSelfExtractor(const std::vector<std::string>& args, OutputLog& log);

// Why the command line `line` cannot be carried out here whatever the
// archive, for the user ("" when it can): Windows 3.x, or a stub this
// build lacks.
std::string UnlhaSelfExtractorRefusal(const std::string& line);

}  // namespace ks
