#include "archivers/builtin/lha/LzhName.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace ks {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// glibc's converters, one pair per process, opened on first use. nullptr
// when the system lacks CP932; every name then stays UTF-8.
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

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

LzhName EncodeLzhName(const std::string& utf8) {
  if (IsAscii(utf8)) return {utf8, kCodePageCp932};
  iconv_t to = ToCp932(), from = FromCp932();
  if (!to || !from) return {utf8, kCodePageUtf8};
  // A character CP932 lacks fails the conversion; one that CP932 only
  // approximates (a different character comes back) must not be stored
  // either, or the name read back would not be the name packed.
  std::string cp932, back;
  if (!Convert(to, utf8, cp932) || !Convert(from, cp932, back) || back != utf8)
    return {utf8, kCodePageUtf8};
  return {cp932, kCodePageCp932};
}

}  // namespace ks
