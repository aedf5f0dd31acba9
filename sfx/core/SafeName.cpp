#include "sfx/core/SafeName.h"

namespace ks::sfx {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool Forbidden(char16_t c) {
  if (c < 0x20) return true;
  for (char16_t bad : u":<>\"|?*")
    if (bad != 0 && c == bad) return true;
  return false;
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, also with an extension: Windows
// opens the device instead of a file of that name.
bool IsDeviceName(const char16_t* c, std::size_t n) {
  std::size_t stem = 0;
  while (stem < n && c[stem] != u'.') ++stem;
  auto is = [&](const char16_t* word) {
    std::size_t i = 0;
    for (; word[i] != 0; ++i)
      if (i >= stem || Upper(c[i]) != word[i]) return false;
    return i == stem;
  };
  if (is(u"CON") || is(u"PRN") || is(u"AUX") || is(u"NUL")) return true;
  if (stem != 4 || c[3] < u'1' || c[3] > u'9') return false;
  const char16_t three[4] = {Upper(c[0]), Upper(c[1]), Upper(c[2]), 0};
  return (three[0] == u'C' && three[1] == u'O' && three[2] == u'M') ||
         (three[0] == u'L' && three[1] == u'P' && three[2] == u'T');
}

}  // namespace

void Append(WideText& out, const char16_t* text) {
  if (!out.empty() && out.back() == 0) out.pop_back();
  while (*text) out.push_back(*text++);
  out.push_back(0);
}

bool SafeRelativePath(const char16_t* name, std::size_t size, WideText& out) {
  out.clear();
  if (size > 0 && IsSeparator(name[0])) return false;
  std::size_t i = 0;
  while (i < size) {
    std::size_t end = i;
    while (end < size && !IsSeparator(name[end])) ++end;
    const char16_t* c = name + i;
    const std::size_t n = end - i;
    i = end + 1;
    if (n == 0 || (n == 1 && c[0] == u'.')) continue;
    if (n == 2 && c[0] == u'.' && c[1] == u'.') return false;
    for (std::size_t k = 0; k < n; ++k)
      if (Forbidden(c[k])) return false;
    if (c[n - 1] == u'.' || c[n - 1] == u' ' || IsDeviceName(c, n)) return false;
    if (!out.empty()) out.push_back(u'\\');
    out.insert(out.end(), c, c + n);
  }
  if (out.empty()) return false;
  out.push_back(0);
  return true;
}

}  // namespace ks::sfx
