#pragma once
// UTF-16 text as both the portable core (char16_t) and the W calls of
// Windows (wchar_t, also 16 bits there) see it.

#include <windows.h>

#include "sfx/core/SafeName.h"

namespace ks::sfx {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

inline const wchar_t* W(const WideText& text) { return reinterpret_cast<const wchar_t*>(text.data()); }
inline const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// 0-terminated text from a W call's buffer.
inline WideText FromW(const wchar_t* text) {
  WideText out;
  Append(out, reinterpret_cast<const char16_t*>(text));
  return out;
}

}  // namespace ks::sfx
