#include "compress/CompressList.h"

#include <algorithm>
#include <fstream>

#include "core/PathText.h"

namespace ks {

Unlistable FindUnlistable(const std::vector<std::string>& names, const std::string& sourceFolder) {
  for (const std::string& name : names) {
    // Cutting the folder's length off a name from elsewhere would list a
    // different file, or none.
    if (name.size() <= sourceFolder.size() || name.compare(0, sourceFolder.size(), sourceFolder) != 0)
      return {UnlistableReason::OutsideSource, name};
    if (name.find_first_of("\"\r\n") != std::string::npos)
      return {UnlistableReason::BadCharacter, name};
  }
  return {};
}

ListText MakeListText(const std::vector<std::string>& names, const std::string& sourceFolder,
                      const std::vector<std::string>& headerLines,
                      const std::function<bool(const std::string&)>& isFile) {
  ListText text;
  text.lines = headerLines;
  for (const std::string& name : names) {
    const std::string relative = name.substr(std::min(sourceFolder.size(), name.size()));
    if (isFile(name))
      text.lines.push_back("\"" + relative + "\"");
    else
      text.lines.push_back("\"" + relative + kPathSeparator + "*.*\"");
    text.nameList += "\"" + relative + "\" ";
  }
  return text;
}

bool WriteListFile(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const std::string& line : lines) out << line << "\r\n";
  out.close();
  return static_cast<bool>(out);
}

std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace ks
