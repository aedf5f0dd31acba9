#pragma once
// Testing one archive with its library: which library tests which type, and
// what its answer means for the result line. Plain library calls, no window.

#include <string>

namespace ks {

// The result word for `path` of archive type `type` (a name ArcType gave):
// "Skip" when the type has no test or its library is missing or lacks the
// entry point, "使用中" when the library is busy, otherwise "正常" or "異常！"
// from the full test (mode 2, low 16 bits of the answer). A library that
// throws gives UntestedWord of what happened; nothing it throws escapes.
std::string TestWord(const std::string& path, const std::string& type);

// The word of a name that could not be tested because a library call
// failed: kWordUntested followed by what happened.
std::string UntestedWord(const std::string& whatHappened);

}  // namespace ks
