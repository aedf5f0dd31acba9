#include "dialogs/HelpPage.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace ks {
namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// The XDG data folders, most personal first.
std::vector<fs::path> DataFolders() {
  std::vector<fs::path> out;
  std::string home = Env("XDG_DATA_HOME");
  if (home.empty() && !Env("HOME").empty()) home = Env("HOME") + "/.local/share";
  if (!home.empty()) out.emplace_back(home);
  std::string dirs = Env("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    if (end > start) out.emplace_back(dirs.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

}  // namespace

std::string FindHelpPage(const std::string& programFolder) {
  std::vector<fs::path> candidates;
  if (!programFolder.empty()) {
    const fs::path folder = fs::path(programFolder) / "";
    candidates.push_back(folder.parent_path().parent_path() / kHelpPageInShare);
    candidates.push_back(folder / kHelpPageInShare);
  }
  // kHelpPageInShare without its leading "share/".
  const std::string inData = std::string(kHelpPageInShare).substr(6);
  for (const fs::path& data : DataFolders()) candidates.push_back(data / inData);
  std::error_code ec;
  for (const fs::path& page : candidates)
    if (fs::is_regular_file(page, ec)) return fs::weakly_canonical(page, ec).string();
  return std::string();
}

std::string FileAddress(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace ks
