#pragma once
// The result lines of an extraction: the dropped name fitted to 25
// columns, 5 spaces, the type padded to 9 columns and the verdict, one line
// per dropped name, so the fixed-pitch list shows three straight columns.

#include <string>

namespace ks {

inline constexpr const char* kVerdictOk = "OK";
inline constexpr const char* kVerdictFailed = "失敗！";
// No library was called for the name: a folder, a file that is no archive
// we know, or an archive whose library is not there.
inline constexpr const char* kVerdictSkip = "Skip";

// The verdict of a library call that returned `result` (0 is success). A
// result that says the archive is encrypted and could not be decrypted
// says so, as nothing else would tell the user why.
std::string ResultVerdict(int result);
// The verdict of a library call that ended in an exception: the failure and
// what happened.
std::string FailedVerdict(const std::string& whatHappened);

// The whole line. `type` is the name type detection gave; the line shows it
// the way the check does ("GZA/BZA" for BGA files).
std::string ExtractLine(const std::string& name, const std::string& type,
                        const std::string& verdict);

}  // namespace ks
