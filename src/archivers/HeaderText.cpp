#include "archivers/HeaderText.h"

namespace ks {

bool IsCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsCp932TrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

std::vector<HeaderChar> SplitHeader(const std::string& bytes) {
  std::vector<HeaderChar> chars;
  chars.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    const bool pair = IsCp932LeadByte(byte) && i + 1 < bytes.size() &&
                      IsCp932TrailByte(static_cast<unsigned char>(bytes[i + 1]));
    const std::size_t length = pair ? 2 : 1;
    chars.push_back(bytes.substr(i, length));
    i += length;
  }
  return chars;
}

bool HeaderHasAt(const std::vector<HeaderChar>& header, std::size_t position,
                 const std::string& text) {
  if (position == 0 || position - 1 + text.size() > header.size()) return false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const HeaderChar& c = header[position - 1 + k];
    if (c.size() != 1 || c[0] != text[k]) return false;
  }
  return true;
}

}  // namespace ks
