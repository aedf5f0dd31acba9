#pragma once
// libarchive converts names through the thread's locale; under the "C"
// locale Japanese names would be lost. While one of these lives, the thread
// runs with a UTF-8 character locale of its own; the program's locale is
// left as it is.

#include <locale.h>

namespace ks {

class Utf8Locale {
 public:
  Utf8Locale() {
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (utf8) previous_ = ::uselocale(utf8);
  }
  ~Utf8Locale() {
    if (previous_) ::uselocale(previous_);
  }
  Utf8Locale(const Utf8Locale&) = delete;
  Utf8Locale& operator=(const Utf8Locale&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace ks
