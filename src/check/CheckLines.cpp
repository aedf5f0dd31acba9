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

std::string ResultLine(const std::string& name, const std::string& shownType,
                       const std::string& word) {
  const std::size_t length = CharCount(shownType);
  const std::size_t filler = length < 9 ? 9 - length : 1;
  return CheckNameLine(name) + std::string(5, ' ') + shownType + std::string(filler, ' ') + word;
}

std::string CheckLine(const std::string& name, const std::string& type, const std::string& word) {
  if (type == kTypeUnknown) return CheckNameLine(name) + std::string(5, ' ') + kTypeUnknown;
  return ResultLine(name, ShownType(type), word);
}

}  // namespace ks
