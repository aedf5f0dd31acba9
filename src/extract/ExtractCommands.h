#pragma once
// Which library extracts which archive type: the branch table of the
// extraction, tried in a fixed order, with each branch's busy test, busy
// message, exact command line and the width its result is read at. Plain
// library calls, no window.

#include <string>

#include "archivers/LibrarySet.h"

namespace ks {

// A branch of the extraction is a library with its extraction facts
// (LibraryDescriptor::extract, type, busy message, availability flag).
using ExtractBranch = LibraryDescriptor;

// The size of the output buffer every command gets.
inline constexpr std::size_t kOutputBufferSize = 65535;

// The first branch, in the branch order, that takes `type`; nullptr when none does.
// Says nothing about whether its library is there.
const ExtractBranch* FindExtractBranch(const std::string& type);

// The file name of the library the branch lacks now ("UnGCA32.DLL"), or
// nullptr when it can be used. The RAR branch lists and tests through
// unrar.dll but extracts through UnRar32.DLL, so it needs both.
const char* MissingLibrary(const ExtractBranch& branch);

// The branch's command line for `archive` into `folder` (which ends in a
// separator). Names go in as they are, without escaping.
std::string ExtractCommandLine(const ExtractBranch& branch, const std::string& archive,
                               const std::string& folder);

// True when the branch's library reports that it is running: -1 read at the
// branch's width. Always false for a branch without a busy test.
bool BranchBusy(const ExtractBranch& branch);

// Calls the branch's command entry point with `owner` as the owner of any
// window the library shows and `output` as the output buffer (ISH takes
// none). Returns the result read at the branch's width: 0 is success.
// The current folder is changed around the call for ARJ (the extraction
// folder during the call, `appFolder` after it) and for LZH (`destination`
// after it), as those libraries expect.
int CallExtractBranch(const ExtractBranch& branch, WindowHandle owner,
                      const std::string& commandLine, std::string& output,
                      const std::string& folder, const std::string& destination,
                      const std::string& appFolder);

}  // namespace ks
