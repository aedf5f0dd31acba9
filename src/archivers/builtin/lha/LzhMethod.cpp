#include "archivers/builtin/lha/LzhMethod.h"

namespace ks {

namespace {
// Only the GUI thread issues library commands, so a plain variable suffices.
LzhMethod gMethod = LzhMethod::Lh5;
}  // namespace

const LzhMethodInfo& MethodInfo(LzhMethod method) {
  static const LzhMethodInfo kLh5{"-lh5-", 13, 14, 4};
  static const LzhMethodInfo kLh6{"-lh6-", 15, 16, 5};
  static const LzhMethodInfo kLh7{"-lh7-", 16, 17, 5};
  switch (method) {
    case LzhMethod::Lh6:
      return kLh6;
    case LzhMethod::Lh7:
      return kLh7;
    case LzhMethod::Lh5:
      break;
  }
  return kLh5;
}

LzhMethod UnlhaMethod() { return gMethod; }
void SetUnlhaMethod(LzhMethod method) { gMethod = method; }

std::optional<LzhMethod> ParseMethodSwitch(const std::string& text) {
  if (text == "-o5") return LzhMethod::Lh5;
  if (text == "-o6") return LzhMethod::Lh6;
  if (text == "-o7") return LzhMethod::Lh7;
  return std::nullopt;
}

}  // namespace ks
