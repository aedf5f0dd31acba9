#pragma once
// The command lines and list files this program hands to its libraries.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ks {

// Splits a command line into arguments: runs of spaces separate them, double
// quotes group text with spaces and are removed. "" stays as an empty argument.
std::vector<std::string> SplitCommandLine(const std::string& line);

// One name of a list file. A folder is written "folder/*.*" (the folder with
// everything under it); `name` is then the folder and `wholeFolder` is true.
struct ListEntry {
  std::string name;
  bool wholeFolder = false;
};

struct ListFile {
  std::vector<std::string> lines;   // every line, CR/LF and quotes removed
  std::vector<ListEntry> entries;   // the lines after `headerLines` as names
};

// Reads a list file; `headerLines` lines at the start (2 for the Lha form:
// "a -x1 -r2" and the quoted archive) are not names. Blank lines are
// ignored. nullopt when the file cannot be read.
std::optional<ListFile> ReadListFile(const std::filesystem::path& file, int headerLines);
// "doc/*.*" -> {"doc", true}; "a.txt" -> {"a.txt", false}. Quotes removed.
ListEntry ParseListName(const std::string& text);

}  // namespace ks
