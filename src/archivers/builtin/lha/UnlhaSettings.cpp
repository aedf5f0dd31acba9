#include "archivers/builtin/lha/UnlhaSettings.h"

#include "archivers/builtin/common/BackendSettings.h"

namespace ks {
namespace {

// No default of its own: an unset method leaves UnlhaMethod() in charge.
constexpr const char* kUnset = "";

const BackendSetting& MethodSetting() {
  static const BackendSetting setting{
      "Unlha32", "Method", kUnset,
      SettingChoices{"Unlha32の設定",
                     "圧縮方式",
                     {{"-lh5-", "-lh5- (辞書 8KB、標準)"},
                      {"-lh6-", "-lh6- (辞書 32KB)"},
                      {"-lh7-", "-lh7- (辞書 64KB、最高圧縮)"}},
                     ""}};
  return setting;
}

}  // namespace

LzhMethod ConfiguredUnlhaMethod() {
  const std::string stored = ReadBackendSetting(MethodSetting());
  if (stored == "-lh6-") return LzhMethod::Lh6;
  if (stored == "-lh7-") return LzhMethod::Lh7;
  if (stored == "-lh5-") return LzhMethod::Lh5;
  return UnlhaMethod();
}

int EditUnlhaSettings(WindowHandle owner) {
  // The dialog shows the method in effect, also when none is stored.
  BackendSetting shown = MethodSetting();
  shown.defaultValue = MethodInfo(UnlhaMethod()).id;
  return EditBackendSetting(owner, shown);
}

}  // namespace ks
