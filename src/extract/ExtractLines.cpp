#include "extract/ExtractLines.h"

#include "check/CheckLines.h"

namespace ks {

namespace {

// The common archiver interface's number for an entry whose password is
// missing or wrong; callers that read results at 16 bits see only these.
constexpr int kPasswordResult = 0x800A;

}  // namespace

std::string ResultVerdict(int result) {
  if (result == 0) return kVerdictOk;
  if ((result & 0xFFFF) == kPasswordResult) return FailedVerdict("暗号化されていて解凍できません");
  return kVerdictFailed;
}

std::string FailedVerdict(const std::string& whatHappened) {
  return std::string(kVerdictFailed) + " " + whatHappened;
}

std::string ExtractLine(const std::string& name, const std::string& type,
                        const std::string& verdict) {
  return ResultLine(name, ShownType(type), verdict);
}

}  // namespace ks
