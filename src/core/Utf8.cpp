#include "core/Utf8.h"

namespace ks {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one strict UTF-8 sequence (no overlong forms, no surrogates, nothing
// above U+10FFFF). Returns its length, or 0 when the bytes are not one.
std::size_t Decode(const std::string& text, std::size_t pos, long& codePoint) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  const unsigned char lead = at(0);
  std::size_t length;
  long cp;
  long minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(at(i))) return 0;
    cp = (cp << 6) | (at(i) & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  codePoint = cp;
  return length;
}

}  // namespace

std::size_t Utf8CharLength(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  long cp;
  const std::size_t n = Decode(text, pos, cp);
  return n == 0 ? 1 : n;
}

long Utf8CodePoint(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return -1;
  long cp;
  return Decode(text, pos, cp) == 0 ? -1 : cp;
}

std::size_t CharCount(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += Utf8CharLength(text, pos)) ++count;
  return count;
}

std::string CutAtCharBoundary(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + Utf8CharLength(text, end);
    if (next > maxBytes) break;
    end = next;
  }
  return text.substr(0, end);
}

}  // namespace ks
