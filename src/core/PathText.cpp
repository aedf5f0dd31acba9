#include "core/PathText.h"

namespace ks {

std::string AddBackslash(const std::string& path) {
  if (!path.empty() && path.back() == kPathSeparator) return path;
  return path + kPathSeparator;
}

std::string RemoveBackslash(const std::string& path) {
  if (!path.empty() && path.back() == kPathSeparator) return path.substr(0, path.size() - 1);
  return path;
}

std::string ParentFolder(const std::string& path) {
  const auto pos = path.rfind(kPathSeparator);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string FileNamePart(const std::string& path) {
  const auto pos = path.rfind(kPathSeparator);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string StripExtension(const std::string& name) {
  const auto pos = name.rfind('.');
  return pos == std::string::npos ? std::string() : name.substr(0, pos);
}

std::string BaseName(const std::string& path) { return StripExtension(FileNamePart(path)); }

std::string StripQuotes(std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    text.clear();
    return text;
  }
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return text;
}

}  // namespace ks
