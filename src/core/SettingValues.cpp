#include "core/SettingValues.h"

#include <cctype>
#include <charconv>
#include <limits>

#include "core/Settings.h"

namespace ks {

std::optional<int> ParseSettingInt(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  if (begin < end && text[begin] == '+') {
    ++begin;
    if (begin < end && text[begin] == '-') return std::nullopt;
  }
  if (begin == end) return std::nullopt;
  long long value = 0;
  const char* first = text.data() + begin;
  const char* last = text.data() + end;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(value);
}

int SettingIntOr(const std::string& text, const std::string& fallback) {
  if (auto v = ParseSettingInt(text)) return *v;
  return ParseSettingInt(fallback).value_or(0);
}

bool SettingSwitchOn(const std::string& text, const std::string& fallback) {
  return SettingIntOr(text, fallback) == -1;
}

std::string SwitchText(bool on) { return on ? "-1" : "0"; }

int ReadMainInt(const std::string& key, const std::string& defaultValue) {
  return SettingIntOr(ReadIni("Main", key, defaultValue), defaultValue);
}

bool ReadMainSwitch(const std::string& key, const std::string& defaultValue) {
  return SettingSwitchOn(ReadIni("Main", key, defaultValue), defaultValue);
}

}  // namespace ks
