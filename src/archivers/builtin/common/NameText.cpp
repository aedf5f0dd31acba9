#include "archivers/builtin/common/NameText.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace ks {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// glibc's converters, one pair per process, opened on first use. nullptr
// when the system lacks CP932.
iconv_t OpenConverter(const char* to, const char* from, const char* fallbackCharset, bool toCp932) {
  iconv_t c = iconv_open(to, from);
  if (c == kNoConverter) c = toCp932 ? iconv_open(fallbackCharset, from) : iconv_open(to, fallbackCharset);
  return c == kNoConverter ? nullptr : c;
}
iconv_t ToCp932() {
  static const iconv_t cd = OpenConverter("CP932", "UTF-8", "SHIFT_JIS", true);
  return cd;
}
iconv_t FromCp932() {
  static const iconv_t cd = OpenConverter("UTF-8", "CP932", "SHIFT_JIS", false);
  return cd;
}

// `raw` through `cd` (closed afterwards; may be the failed (iconv_t)-1),
// "_" for each byte the converter does not take.
std::string ConvertToUtf8(iconv_t cd, const std::string& raw) {
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
        out += '_';  // a byte the code page does not know
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


// Converts all of `text`; false when a character does not convert.
bool Convert(iconv_t cd, const std::string& text, std::string& result) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> out(text.size() * 3 + 8);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
    return false;
  if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return false;
  result.assign(out.data(), outPtr);
  return true;
}

}  // namespace

std::optional<std::string> Utf8ToCp932Exact(const std::string& utf8) {
  iconv_t to = ToCp932(), from = FromCp932();
  if (!to || !from) return std::nullopt;
  std::string cp932, back;
  if (!Convert(to, utf8, cp932) || !Convert(from, cp932, back) || back != utf8) return std::nullopt;
  return cp932;
}

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
  return Cp932ToUtf8(raw);
}

std::string Cp932ToUtf8(const std::string& raw) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = ::iconv_open("UTF-8", "SHIFT_JIS");
  return ConvertToUtf8(cd, raw);
}

std::optional<std::string> CodePageToUtf8(const std::string& raw, unsigned codePage) {
  if (codePage == 932) return Cp932ToUtf8(raw);
  const std::string charset = "CP" + std::to_string(codePage);
  iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  return ConvertToUtf8(cd, raw);
}

}  // namespace ks
