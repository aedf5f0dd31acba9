#include "core/Settings.h"

#include <fstream>
#include <optional>
#include <sstream>

#include "core/AppFolder.h"
#include "core/AtomicWrite.h"
#include "core/IniText.h"
#include "core/Utf8.h"

namespace ks {
namespace fs = std::filesystem;
namespace {

// What the settings buffer of the original program held, less its NUL.
constexpr std::size_t kMaxValueBytes = 1023;
// A settings file is a few kilobytes. Anything far larger is not ours: it is
// neither read into memory nor rewritten.
constexpr std::uintmax_t kMaxFileBytes = 16u * 1024 * 1024;

enum class FileState { Missing, Read, Unusable };

FileState LoadFile(const fs::path& file, std::string& text) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return FileState::Missing;
  if (ec || status.type() != fs::file_type::regular) return FileState::Unusable;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec || size > kMaxFileBytes) return FileState::Unusable;
  std::ifstream in(file, std::ios::binary);
  if (!in) return FileState::Unusable;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return FileState::Unusable;
  text = buffer.str();
  return FileState::Read;
}

}  // namespace

fs::path SettingsFilePath() { return fs::path(AppFolder + "Kestrino.ini"); }

std::string ReadIniFile(const fs::path& file, const std::string& section, const std::string& key,
                        const std::string& defaultValue) {
  std::string text;
  if (LoadFile(file, text) != FileState::Read) return defaultValue;
  const std::optional<std::string> value = FindIniValue(text, section, key);
  if (!value) return defaultValue;
  // Cut on a character boundary so the value stays valid text.
  return CutAtCharBoundary(*value, kMaxValueBytes);
}

bool WriteIniFile(const fs::path& file, const std::string& section, const std::string& key,
                  const std::string& value) {
  std::string text;
  if (LoadFile(file, text) == FileState::Unusable) return false;
  const std::optional<std::string> changed = SetIniValue(text, section, key, value);
  if (!changed) return false;
  if (*changed == text && fs::exists(file)) return true;
  return ReplaceFileContents(file, *changed);
}

std::string ReadIni(const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
  // Before start-up has chosen the folder there is no settings file to ask;
  // reading one from the current folder would pick up a stranger's file.
  if (AppFolder.empty()) return defaultValue;
  return ReadIniFile(SettingsFilePath(), section, key, defaultValue);
}

void WriteIni(const std::string& section, const std::string& key, const std::string& value) {
  if (AppFolder.empty()) return;
  WriteIniFile(SettingsFilePath(), section, key, value);
}

}  // namespace ks
