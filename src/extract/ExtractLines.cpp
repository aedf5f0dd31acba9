#include "extract/ExtractLines.h"

#include "check/CheckLines.h"

namespace ks {

const char* ResultVerdict(int result) { return result == 0 ? kVerdictOk : kVerdictFailed; }

std::string FailedVerdict(const std::string& whatHappened) {
  return std::string(kVerdictFailed) + " " + whatHappened;
}

std::string ExtractLine(const std::string& name, const std::string& type,
                        const std::string& verdict) {
  return ResultLine(name, ShownType(type), verdict);
}

}  // namespace ks
