#pragma once
// Display widths as a Japanese system counts them: bytes of CP932. A character
// CP932 stores in one byte (ASCII, half-width katakana U+FF61-U+FF9F) counts 1,
// every other character 2. Text is UTF-8; invalid bytes count 1 each.

#include <string>

namespace ks {

int ByteLength(const std::string& text);
// Text of exactly `width` bytes of display width: short text right-aligned
// with spaces in front, long text as "..." and its tail.
std::string FitText(const std::string& text, int width);

}  // namespace ks
