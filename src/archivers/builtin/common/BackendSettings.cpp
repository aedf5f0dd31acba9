#include "archivers/builtin/common/BackendSettings.h"

#include <algorithm>

#include "core/AppFolder.h"
#include "core/Settings.h"

namespace ks {
namespace {

bool IsChoice(const BackendSetting& setting, const std::string& value) {
  const auto& choices = setting.dialog.choices;
  return std::any_of(choices.begin(), choices.end(),
                     [&](const auto& choice) { return choice.first == value; });
}

}  // namespace

std::string ReadBackendSetting(const BackendSetting& setting) {
  if (AppFolder.empty()) return setting.defaultValue;
  // A hand-edited value no choice matches must not stop a command.
  const std::string value = ReadIni(setting.section, setting.key, setting.defaultValue);
  return IsChoice(setting, value) ? value : setting.defaultValue;
}

int EditBackendSetting(WindowHandle owner, const BackendSetting& setting) {
  SettingChoices dialog = setting.dialog;
  dialog.current = ReadBackendSetting(setting);
  const auto chosen = TheArchiverHost().AskSetting(owner, dialog);
  if (!chosen || !IsChoice(setting, *chosen)) return 0;
  WriteIni(setting.section, setting.key, *chosen);
  return 1;
}

}  // namespace ks
