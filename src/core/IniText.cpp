#include "core/IniText.h"

#include <vector>

namespace ks {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) out += '\n';
    out += lines[i];
  }
  return out;
}

enum class LineKind { Other, Section, Value };

struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string name;        // section or key
  std::string value;       // raw value text, trimmed
  std::size_t valueAt = 0;  // where the value starts in the raw line
};

ParsedLine Parse(std::string raw, bool firstLine) {
  ParsedLine parsed;
  std::size_t offset = 0;
  if (firstLine && raw.compare(0, kBom.size(), kBom) == 0) offset = kBom.size();
  if (!raw.empty() && raw.back() == '\r') raw.pop_back();
  const std::string body = raw.substr(offset);
  const std::string trimmed = Trim(body);
  if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return parsed;
  if (trimmed[0] == '[') {
    const std::size_t close = trimmed.find(']');
    if (close == std::string::npos) return parsed;
    parsed.kind = LineKind::Section;
    parsed.name = Trim(trimmed.substr(1, close - 1));
    return parsed;
  }
  const std::size_t eq = body.find('=');
  if (eq == std::string::npos) return parsed;
  parsed.name = Trim(body.substr(0, eq));
  if (parsed.name.empty()) return parsed;
  parsed.kind = LineKind::Value;
  std::size_t v = eq + 1;
  while (v < body.size() && IsBlank(body[v])) ++v;
  parsed.valueAt = offset + v;
  parsed.value = Trim(body.substr(v));
  return parsed;
}

std::string DecodeValue(const std::string& stored) {
  if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
    return stored.substr(1, stored.size() - 2);
  return stored;
}

std::string EncodeValue(const std::string& value) {
  const bool padded = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  return padded || quoted ? "\"" + value + "\"" : value;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool StorableSection(const std::string& s) {
  return !s.empty() && Trim(s) == s && !HasLineBreak(s) && s.find(']') == std::string::npos;
}

bool StorableKey(const std::string& k) {
  return !k.empty() && Trim(k) == k && !HasLineBreak(k) && k.find('=') == std::string::npos &&
         k[0] != '[' && k[0] != ';' && k[0] != '#';
}

}  // namespace

std::optional<std::string> FindIniValue(const std::string& text, const std::string& section,
                                        const std::string& key) {
  const std::vector<std::string> lines = SplitLines(text);
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine line = Parse(lines[i], i == 0);
    if (line.kind == LineKind::Section) inSection = SameName(line.name, section);
    else if (line.kind == LineKind::Value && inSection && SameName(line.name, key))
      return DecodeValue(line.value);
  }
  return std::nullopt;
}

std::optional<std::string> SetIniValue(const std::string& text, const std::string& section,
                                       const std::string& key, const std::string& value) {
  if (!StorableSection(section) || !StorableKey(key) || HasLineBreak(value)) return std::nullopt;

  std::vector<std::string> lines = SplitLines(text);
  // New lines follow the file's own line ends, so a file kept by a Windows
  // editor stays CRLF throughout.
  const std::string cr = text.find("\r\n") != std::string::npos ? "\r" : "";
  const std::string encoded = EncodeValue(value);

  // Where a new key goes: after the last key of the first section of that
  // name, so a section's keys stay together.
  constexpr std::size_t kNone = std::string::npos;
  std::size_t insertAfter = kNone;
  bool inSection = false, inFirst = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine line = Parse(lines[i], i == 0);
    if (line.kind == LineKind::Section) {
      inSection = SameName(line.name, section);
      inFirst = inSection && insertAfter == kNone;
      if (inFirst) insertAfter = i;
    } else if (line.kind == LineKind::Value && inSection) {
      if (SameName(line.name, key)) {
        std::string& raw = lines[i];
        const bool hadCr = !raw.empty() && raw.back() == '\r';
        raw = raw.substr(0, line.valueAt) + encoded + (hadCr ? "\r" : "");
        return JoinLines(lines);
      }
      if (inFirst) insertAfter = i;
    }
  }

  // A line is added from here on. The last element of `lines` is empty when
  // the text ends with a line end; otherwise end its last line first.
  if (!lines.back().empty()) {
    if (lines.back().back() != '\r') lines.back() += cr;
    lines.push_back("");
  }
  const std::string entry = key + "=" + encoded + cr;
  if (insertAfter != kNone) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAfter + 1), entry);
    return JoinLines(lines);
  }
  std::vector<std::string> added;
  if (lines.size() > 1) {
    std::string previous = lines[lines.size() - 2];
    if (!previous.empty() && previous.back() == '\r') previous.pop_back();
    if (!Trim(previous).empty()) added.push_back(cr);
  }
  added.push_back("[" + section + "]" + cr);
  added.push_back(entry);
  lines.insert(lines.end() - 1, added.begin(), added.end());
  return JoinLines(lines);
}

}  // namespace ks
