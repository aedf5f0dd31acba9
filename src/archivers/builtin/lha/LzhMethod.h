#pragma once
// The LHA compression methods this encoder writes, and the back-end's choice
// among them. -lh5-, -lh6- and -lh7- share one coder; they differ only in the
// window size and therefore in the size of the position code table.

#include <optional>
#include <string>

namespace ks {

enum class LzhMethod { Lh5, Lh6, Lh7 };

// What the coder needs to know about a method.
struct LzhMethodInfo {
  const char* id;           // the five characters of the header, "-lh5-"
  unsigned windowBits;      // 13, 15 or 16
  unsigned positionCodes;   // NP: window bits + 1
  unsigned positionBits;    // PBIT: bits of the position table's count field
};

// The constants of `method`.
const LzhMethodInfo& MethodInfo(LzhMethod method);

// The method used by "a" commands that name none. -lh5- until changed,
// because every LHA reader opens it.
LzhMethod UnlhaMethod();
// Sets the method for later "a" commands (a setting the back-end's
// configuration can offer).
void SetUnlhaMethod(LzhMethod method);

// "-o5", "-o6", "-o7" -> the method; nullopt for anything else.
std::optional<LzhMethod> ParseMethodSwitch(const std::string& text);

}  // namespace ks
