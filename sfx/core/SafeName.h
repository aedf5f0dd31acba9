#pragma once
// Turns an entry's name, already decoded to UTF-16, into a path inside the
// destination folder that Windows stores exactly as named, or refuses it.

#include <vector>

namespace ks::sfx {

// UTF-16 text, ended by a 0 unit once complete.
using WideText = std::vector<char16_t>;

// Appends `text` (0-terminated) to `out`, keeping out's 0 at the end.
void Append(WideText& out, const char16_t* text);

// `name` (with "\" or "/" between folders, no terminating 0 needed) as a
// relative path with "\" separators and a terminating 0; "." components
// and repeated or trailing separators are dropped. False, with `out`
// unspecified, for a name that would leave the folder or that Windows
// cannot store as it is: an absolute name, a ".." component, a ":" (drive
// letters and alternate data streams), control characters and < > " | ? *,
// a component ending in a dot or a space (Windows would drop them and
// write another file), device names such as CON or LPT1, or nothing left.
bool SafeRelativePath(const char16_t* name, std::size_t size, WideText& out);

}  // namespace ks::sfx
