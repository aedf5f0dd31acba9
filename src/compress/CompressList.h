#pragma once
// The names a compression run hands to its library: the lines of the list
// file "kestrino.tmp" and the name list of the command line, both relative
// to the folder of the dropped names.

#include <functional>
#include <string>
#include <vector>

namespace ks {

// The file name of the list file in AppFolder.
inline constexpr const char* kListFileName = "kestrino.tmp";

// Why a dropped name cannot be listed; None when every name can.
enum class UnlistableReason {
  None,
  OutsideSource,  // not below the source folder (a drop from several folders)
  BadCharacter,   // a double quote or a line break would break the list
};
struct Unlistable {
  UnlistableReason reason = UnlistableReason::None;
  std::string name;  // the first such name
};
// The first dropped name that would give a wrong list line: one not lying
// below `sourceFolder` (which ends in a separator), or one holding a
// character the quoted lines cannot carry.
Unlistable FindUnlistable(const std::vector<std::string>& names, const std::string& sourceFolder);

struct ListText {
  std::vector<std::string> lines;  // header lines first, then one per name
  std::string nameList;            // every relative name quoted, each followed by one space
};
// A name is a folder when `isFile` says it is not an ordinary file; a folder's
// line is the quoted name + separator + "*.*", a file's the quoted name.
// Relative names cut the source folder's length off the front.
ListText MakeListText(const std::vector<std::string>& names, const std::string& sourceFolder,
                      const std::vector<std::string>& headerLines,
                      const std::function<bool(const std::string&)>& isFile);

// Writes the lines, each ended by CR LF, replacing the file. False when it
// could not be written completely.
bool WriteListFile(const std::string& path, const std::vector<std::string>& lines);

// The text without spaces at either end.
std::string TrimSpaces(const std::string& text);

}  // namespace ks
