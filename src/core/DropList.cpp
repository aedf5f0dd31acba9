#include "core/DropList.h"

#include <algorithm>

#include "core/PathText.h"
#include "core/Utf8.h"

namespace ks {

std::vector<std::string> DroppedFiles{std::string()};
int DroppedCount = 0;

void SetDroppedFiles(const std::vector<std::string>& names) {
  DroppedFiles.assign(1, std::string());
  DroppedFiles.insert(DroppedFiles.end(), names.begin(), names.end());
  DroppedCount = static_cast<int>(names.size());
}

std::string LongestDropFolder() {
  std::string longest;
  std::size_t longestLength = 0;
  // A count set by hand may run past the list; only real entries count.
  const auto last = std::min<std::size_t>(DroppedCount < 0 ? 0 : static_cast<std::size_t>(DroppedCount),
                                          DroppedFiles.empty() ? 0 : DroppedFiles.size() - 1);
  for (std::size_t i = 1; i <= last; ++i) {
    // A folder dropped as "…/sub/" is the folder sub itself: its folder is
    // "…/", as for "…/sub". The root keeps its one separator.
    const std::string& name = DroppedFiles[i];
    std::string folder = ParentFolder(name.size() > 1 ? RemoveBackslash(name) : name);
    const std::size_t length = CharCount(folder);
    if (length > longestLength) {
      longest = std::move(folder);
      longestLength = length;
    }
  }
  return longest;
}

}  // namespace ks
