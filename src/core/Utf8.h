#pragma once
// Walking UTF-8 text one character at a time. Text from the disk or from other
// programs may hold invalid bytes; each of those counts as one character of its
// own, so a walk always advances and never splits a valid sequence.

#include <cstddef>
#include <string>

namespace ks {

// The byte length of the character starting at `pos` (1 for an invalid byte);
// 0 at or past the end.
std::size_t Utf8CharLength(const std::string& text, std::size_t pos);
// The code point starting at `pos`, or -1 for an invalid byte.
long Utf8CodePoint(const std::string& text, std::size_t pos);
// The number of characters, invalid bytes counted one each.
std::size_t CharCount(const std::string& text);
// The longest prefix of at most `maxBytes` bytes that ends on a character
// boundary.
std::string CutAtCharBoundary(const std::string& text, std::size_t maxBytes);

}  // namespace ks
