#pragma once
// The text of the check's result lines. A line is the dropped name fitted to
// 25 columns, 5 spaces, the archive type padded to 9 columns and the result
// word, so that the fixed-pitch list shows three straight columns.

#include <string>

namespace ks {

// Result words.
inline constexpr const char* kWordSound = "正常";
inline constexpr const char* kWordDamaged = "異常！";
inline constexpr const char* kWordSkip = "Skip";
// The library was busy with other work, so no test was made.
inline constexpr const char* kWordBusy = "使用中";
// A library call failed with an error, so the archive was not tested; what
// happened follows the word.
inline constexpr const char* kWordUntested = "検査不能：";
// The file could not be read, so its type and state are unknown.
inline constexpr const char* kWordUnreadable = "読めません";

// Columns the name is fitted to.
constexpr int kCheckNameWidth = 25;

// The name alone, as it stands while its test runs: FitText(name, 25).
std::string CheckNameLine(const std::string& name);

// The type as the line shows it: "BGA" archives are GZA or BZA files, and a
// file that could not be read has no known type.
std::string ShownType(const std::string& type);

// A line of the result window for any operation: the name fitted, 5 spaces,
// the type as shown, spaces up to 9 columns and the word. A type of 9 or
// more characters is followed by one space, so the word is never glued to it.
std::string ResultLine(const std::string& name, const std::string& shownType,
                       const std::string& word);

// The full line of the check. For "UnKnown" it ends after the type.
std::string CheckLine(const std::string& name, const std::string& type, const std::string& word);

}  // namespace ks
