#include "check/CheckLines.h"

#include "archivers/TypeDetect.h"
#include "core/TextWidth.h"
#include "core/Utf8.h"

namespace ks {

std::string CheckNameLine(const std::string& name) { return FitText(name, kCheckNameWidth); }

std::string ShownType(const std::string& type) {
  if (type == kTypeBga) return "GZA/BZA";
  if (type == kTypeUnreadable) return kTypeUnknown;
  return type;
}

std::string CheckLine(const std::string& name, const std::string& type, const std::string& word) {
  std::string line = CheckNameLine(name) + std::string(5, ' ');
  if (type == kTypeUnknown) return line + kTypeUnknown;
  const std::string shown = ShownType(type);
  const std::size_t length = CharCount(shown);
  const std::size_t filler = length < 9 ? 9 - length : 1;
  return line + shown + std::string(filler, ' ') + word;
}

}  // namespace ks
