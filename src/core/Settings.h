#pragma once
// The settings store: "Kestrino.ini" in AppFolder. Every read asks the file,
// every write changes one key; there is no cache.

#include <filesystem>
#include <string>

namespace ks {

// Section and key compare without regard to case. A missing file, section or
// key gives `defaultValue`; a read never creates anything. Values are cut to
// 1023 bytes.
std::string ReadIni(const std::string& section, const std::string& key,
                    const std::string& defaultValue);
// Creates the file and the section when missing, replaces an existing value,
// leaves every other line as it was. Never leaves a half-written file.
// Failures are silent: the file keeps its old values.
void WriteIni(const std::string& section, const std::string& key, const std::string& value);

// The same on an explicit file, for tests and tools. WriteIniFile returns
// false when the file could not be written (it is then unchanged).
std::string ReadIniFile(const std::filesystem::path& file, const std::string& section,
                        const std::string& key, const std::string& defaultValue);
bool WriteIniFile(const std::filesystem::path& file, const std::string& section,
                  const std::string& key, const std::string& value);

// AppFolder + "Kestrino.ini".
std::filesystem::path SettingsFilePath();

}  // namespace ks
