#include "platform/Platform.h"

#include <cstdlib>
#include <fstream>

namespace ks {
namespace {

// Used before the window layer installs its platform (the command-line tool,
// plain tests): nothing is shown, nothing is stacked.
class SilentPlatform : public Platform {
 public:
  void MessageBox(const std::string&, const std::string&, MessageStyle) override {}
  void Beep() override {}
  [[noreturn]] void EndProgram() override { std::_Exit(1); }
  void SetTopMost(WindowHandle, bool) override {}
  void ActivateWindow(WindowHandle) override {}
  void OpenFolder(const std::string&) override {}
  void OpenAddress(const std::string&) override {}
  std::string DesktopFolder() override { return XdgDesktopFolder(); }
  std::string ShortPathName(const std::string& path) override { return path; }
};

SilentPlatform g_silent;
Platform* g_platform = nullptr;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

Platform& ThePlatform() { return g_platform ? *g_platform : g_silent; }

void SetPlatform(Platform* platform) { g_platform = platform; }

std::string XdgDesktopFolder() {
  const std::string home = Env("HOME");
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "XDG_DESKTOP_DIR=";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    if (!value.empty()) return value;
  }
  return home.empty() ? std::string() : home + "/Desktop";
}

}  // namespace ks
