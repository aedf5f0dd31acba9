#include "archivers/builtin/common/NameText.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace ks {

bool IsValidUtf8(const std::string& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    std::size_t len;
    unsigned min;
    unsigned cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::string StoredNameToUtf8(const std::string& raw) {
  if (IsValidUtf8(raw)) return raw;
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = ::iconv_open("UTF-8", "SHIFT_JIS");
  std::string out;
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    std::vector<char> buffer(raw.size() * 4 + 16);
    char* in = const_cast<char*>(raw.data());
    std::size_t inLeft = raw.size();
    while (inLeft > 0) {
      char* o = buffer.data();
      std::size_t oLeft = buffer.size();
      const std::size_t r = ::iconv(cd, &in, &inLeft, &o, &oLeft);
      out.append(buffer.data(), static_cast<std::size_t>(o - buffer.data()));
      if (r == static_cast<std::size_t>(-1) && (errno == EILSEQ || errno == EINVAL)) {
        out += '_';  // a byte CP932 does not know
        ++in;
        --inLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
      } else if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        break;
      }
    }
    ::iconv_close(cd);
    if (IsValidUtf8(out)) return out;
  }
  out.clear();
  for (unsigned char c : raw) out += c < 0x80 ? static_cast<char>(c) : '_';
  return out;
}

}  // namespace ks
