#include "archivers/builtin/lha/LzhName.h"

#include "archivers/builtin/common/NameText.h"

namespace ks {

namespace {

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

LzhName EncodeLzhName(const std::string& utf8) {
  if (IsAscii(utf8)) return {utf8, kCodePageCp932};
  if (auto cp932 = Utf8ToCp932Exact(utf8)) return {*cp932, kCodePageCp932};
  return {utf8, kCodePageUtf8};
}

}  // namespace ks
