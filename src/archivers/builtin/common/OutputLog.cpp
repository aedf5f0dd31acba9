#include "archivers/builtin/common/OutputLog.h"

#include <cstring>

namespace ks {

void OutputLog::WriteTo(char* output, std::size_t size) const {
  if (output == nullptr || size == 0) return;
  std::size_t n = text_.size() < size - 1 ? text_.size() : size - 1;
  // Do not leave half a UTF-8 character at the cut.
  if (n < text_.size())
    while (n > 0 && (static_cast<unsigned char>(text_[n]) & 0xC0) == 0x80) --n;
  std::memcpy(output, text_.data(), n);
  output[n] = '\0';
}

}  // namespace ks
