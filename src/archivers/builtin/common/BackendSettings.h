#pragma once
// Settings of a back-end's own, each kept in the back-end's section of the
// settings file and read again at every command, so a change made in the
// back-end's settings dialog holds from the next archive on.

#include <string>

#include "archivers/ArchiverHost.h"

namespace ks {

struct BackendSetting {
  const char* section;       // "Unlha32"
  const char* key;           // "Method"
  const char* defaultValue;  // one of the choices' values
  SettingChoices dialog;     // caption, label and choices; `current` is filled in
};

// The stored value when it is one of the choices, otherwise the default.
// Without a settings folder (a tool run outside the program) the default.
std::string ReadBackendSetting(const BackendSetting& setting);
// Shows the setting's dialog through the archiver host, over `owner`, and
// stores the value chosen. 1 when a value was stored, 0 when cancelled.
int EditBackendSetting(WindowHandle owner, const BackendSetting& setting);

}  // namespace ks
