#pragma once
// Turning the panel's stored texts into numbers and back. A text that is not
// a whole number (or does not fit) counts as absent, so the key's default
// applies and a hand-edited settings file can never stop the program.

#include <optional>
#include <string>

namespace ks {

// A whole number in the 32-bit range: optional spaces, an optional sign,
// digits. Anything else gives nullopt.
std::optional<int> ParseSettingInt(const std::string& text);
// ParseSettingInt(text), or ParseSettingInt(fallback), or 0.
int SettingIntOr(const std::string& text, const std::string& fallback);
// A switch is on only when its text reads as the integer -1.
bool SettingSwitchOn(const std::string& text, const std::string& fallback);
// How a switch is stored: "-1" for on, "0" for off.
std::string SwitchText(bool on);

// The same, read from section "Main" of the settings file.
int ReadMainInt(const std::string& key, const std::string& defaultValue);
bool ReadMainSwitch(const std::string& key, const std::string& defaultValue);

}  // namespace ks
