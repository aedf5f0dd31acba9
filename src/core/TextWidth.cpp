#include "core/TextWidth.h"

#include <vector>

#include "core/Utf8.h"

namespace ks {
namespace {

// CP932 keeps ASCII and the half-width katakana in one byte; everything else it
// can show takes two. An invalid byte would be shown as one replacement
// character, so it counts one.
int CharWidth(const std::string& text, std::size_t pos) {
  const long cp = Utf8CodePoint(text, pos);
  if (cp < 0x80) return 1;  // ASCII, or an invalid byte (-1)
  if (cp >= 0xFF61 && cp <= 0xFF9F) return 1;
  return 2;
}

// Byte offsets where each character starts.
std::vector<std::size_t> CharStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t pos = 0; pos < text.size(); pos += Utf8CharLength(text, pos))
    starts.push_back(pos);
  return starts;
}

}  // namespace

int ByteLength(const std::string& text) {
  int length = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += Utf8CharLength(text, pos))
    length += CharWidth(text, pos);
  return length;
}

std::string FitText(const std::string& text, int width) {
  if (width <= 0) return std::string();
  const int length = ByteLength(text);
  if (length <= width) return std::string(static_cast<std::size_t>(width - length), ' ') + text;
  // Too narrow for "..." and a tail: as many dots as fit still marks the cut.
  if (width <= 3) return std::string(static_cast<std::size_t>(width), '.');

  const std::size_t room = static_cast<std::size_t>(width - 3);
  const std::vector<std::size_t> starts = CharStarts(text);
  std::size_t first = starts.size() > room ? starts.size() - room : 0;
  const auto tailWidth = static_cast<std::size_t>(ByteLength(text.substr(starts[first])));
  std::string dot;
  if (tailWidth != starts.size() - first) {
    // Double-byte characters make the tail too wide: drop whole characters
    // from its front, then fill a missing byte with a dot.
    std::size_t used = tailWidth;
    while (used > room) used -= static_cast<std::size_t>(CharWidth(text, starts[first++]));
    if (used < room) dot = ".";
  }
  // With room for one byte only, a double-byte character leaves no tail at all.
  const std::size_t from = first < starts.size() ? starts[first] : text.size();
  return "..." + dot + text.substr(from);
}

}  // namespace ks
