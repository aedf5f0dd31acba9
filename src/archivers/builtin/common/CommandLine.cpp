#include "archivers/builtin/common/CommandLine.h"

#include <fstream>

#include "core/PathText.h"

namespace ks {

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false, quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inArg = true;
    } else if (c == ' ' && !quoted) {
      if (inArg) args.push_back(current);
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(current);
  return args;
}

ListEntry ParseListName(const std::string& text) {
  std::string name = text;
  StripQuotes(name);
  for (const std::string& suffix : {std::string(1, kPathSeparator) + "*.*", std::string("\\*.*")}) {
    if (name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return {name.substr(0, name.size() - suffix.size()), true};
    }
  }
  return {name, false};
}

std::optional<ListFile> ReadListFile(const std::filesystem::path& file, int headerLines) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  ListFile list;
  std::string line;
  int index = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (index == 0 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    std::string bare = line;
    StripQuotes(bare);
    if (bare.empty()) continue;
    list.lines.push_back(bare);
    if (index >= headerLines) list.entries.push_back(ParseListName(line));
    ++index;
  }
  if (in.bad()) return std::nullopt;
  return list;
}

}  // namespace ks
