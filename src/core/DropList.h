#pragma once
// The dropped-file list: the full names of the last drop on the compress or
// extract zone. Entries 1 to DroppedCount in drop order; entry 0 stays empty.

#include <string>
#include <vector>

namespace ks {

extern std::vector<std::string> DroppedFiles;
extern int DroppedCount;

// Replaces the list as a whole: entry 0 empty, then `names` in order.
void SetDroppedFiles(const std::vector<std::string>& names);
// The longest ParentFolder among entries 1 to DroppedCount (the first of
// equal length wins); "" for an empty list. A trailing separator is not
// counted: "/a/sub/" lies in "/a/".
std::string LongestDropFolder();

}  // namespace ks
