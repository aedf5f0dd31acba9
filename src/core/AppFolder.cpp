#include "core/AppFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/PathText.h"

namespace ks {
namespace fs = std::filesystem;

std::string AppFolder;

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

bool WritableFolder(const std::string& folder) {
  std::error_code ec;
  return !folder.empty() && fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
}

// The per-user configuration folder as the XDG rules name it; a relative
// XDG_CONFIG_HOME is ignored, as those rules require.
std::string UserConfigFolder() {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') {
    const std::string home = Env("HOME");
    if (home.empty()) return std::string();
    config = AddBackslash(home) + ".config";
  }
  return AddBackslash(config) + "kestrino";
}

}  // namespace

bool IsInstalledProgramFolder(const std::string& programFolder) {
  if (programFolder.empty()) return false;
  fs::path folder(programFolder);
  if (!folder.has_filename()) folder = folder.parent_path();  // a trailing separator
  std::error_code ec;
  return folder.filename() == "bin" &&
         fs::is_directory(folder.parent_path() / "share" / "kestrino", ec);
}

std::string ChooseAppFolder(const std::string& programFolder) {
  // An installed program may well be able to write its folder (run by root,
  // or installed in ~/.local/bin), but settings do not belong there.
  if (!IsInstalledProgramFolder(programFolder) && WritableFolder(programFolder))
    return AddBackslash(programFolder);
  const std::string user = UserConfigFolder();
  if (user.empty()) return programFolder.empty() ? std::string() : AddBackslash(programFolder);
  std::error_code ec;
  fs::create_directories(user, ec);  // when this fails, writes fail quietly later
  return AddBackslash(user);
}

}  // namespace ks
