#include "archivers/builtin/ish/IshNames.h"

#include "archivers/builtin/common/NameText.h"

namespace ks {
namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::string TrimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The last component of a stored name that may carry folders ("/" or "\").
// In CP932 a "\" can be the second byte of a double-byte character, so the
// bytes are walked character by character unless the name is UTF-8.
std::string LastComponent(const std::string& raw) {
  const bool utf8 = IsValidUtf8(raw);
  std::size_t start = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const auto c = static_cast<unsigned char>(raw[i]);
    if (!utf8 && IsCp932Lead(c)) {
      ++i;
    } else if (c == '/' || c == '\\') {
      start = i + 1;
    }
  }
  std::string name = raw.substr(start);
  // A NUL ends a stored name.
  if (const auto nul = name.find('\0'); nul != std::string::npos) name.resize(nul);
  return name;
}

bool Usable(const std::string& name) { return !name.empty() && name != "." && name != ".."; }

// Control characters (a header may hold any byte) would make a name no one
// can type or even see; they become "_".
std::string Printable(std::string name) {
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  return name;
}

// The field the Unix encoder fills from a name: the characters before the
// first dot (past 8 when the name is longer), spaces up to 8, then the
// characters after the dot; 11 bytes in all.
std::string UnixField(const std::string& name) {
  std::string field;
  std::size_t s = 0;
  while (field.size() < 11) {
    if (s < name.size() && name[s] == '.') {
      while (field.size() < 8) field += ' ';
      ++s;
    }
    field += s < name.size() ? name[s++] : ' ';
  }
  return field;
}

// A Windows short alias "PREFIX~N": its prefix, or nullopt.
std::optional<std::string> AliasPrefix(const std::string& base) {
  const std::size_t tilde = base.rfind('~');
  if (tilde == std::string::npos || tilde == 0 || tilde + 1 >= base.size()) return std::nullopt;
  for (std::size_t i = tilde + 1; i < base.size(); ++i)
    if (base[i] < '0' || base[i] > '9') return std::nullopt;
  return base.substr(0, tilde);
}

// The long name as Windows shortens it: no spaces, no dots but the last.
std::string WithoutSpacesAndDots(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '.') out += c;
  return out;
}

}  // namespace

bool IshNamesAgree(const std::string& longName, const std::string& shortField) {
  const std::string field = Upper(shortField.substr(0, 11));
  const std::string base = TrimRight(field.substr(0, 8));
  const std::string ext = field.size() > 8 ? TrimRight(field.substr(8)) : std::string();
  if (base.empty()) return false;
  const std::string name = Upper(longName);
  if (UnixField(name) == field + std::string(11 - field.size(), ' ')) return true;

  const std::size_t dot = name.rfind('.');
  const std::string longBase = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string longExt = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  const bool extAgrees =
      longExt == ext || (ext.size() == 3 && StartsWith(WithoutSpacesAndDots(longExt), ext));
  if (!extAgrees) return false;
  if (longBase == base) return true;
  if (base.size() == 8 && StartsWith(longBase, base)) return true;
  const auto prefix = AliasPrefix(base);
  return prefix && StartsWith(WithoutSpacesAndDots(longBase), *prefix);
}

std::string IshShortName(const std::string& shortField) {
  const std::string base = TrimRight(shortField.substr(0, 8));
  const std::string ext = shortField.size() > 8 ? TrimRight(shortField.substr(8, 3)) : std::string();
  return ext.empty() ? base : base + "." + ext;
}

std::string ChooseIshName(const std::optional<std::string>& titleName,
                          const std::string& shortField, const std::string& fallback) {
  const std::string shortName = LastComponent(IshShortName(shortField));
  const std::string longName = titleName ? LastComponent(*titleName) : std::string();
  if (Usable(longName) && IshNamesAgree(longName, shortField)) return Printable(StoredNameToUtf8(longName));
  if (Usable(shortName)) return Printable(StoredNameToUtf8(shortName));
  if (Usable(longName)) return Printable(StoredNameToUtf8(longName));
  return fallback;
}

}  // namespace ks
