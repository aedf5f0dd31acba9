#pragma once
// Unlha32's own setting: the method new archives are made with (-lh5-,
// -lh6- or -lh7-), kept in section "Unlha32" of the settings file.

#include "archivers/builtin/lha/LzhMethod.h"
#include "platform/Platform.h"

namespace ks {

// The stored method; without one, UnlhaMethod().
LzhMethod ConfiguredUnlhaMethod();
// Unlha32's settings dialog over `owner`; 1 when a method was stored.
int EditUnlhaSettings(WindowHandle owner);

}  // namespace ks
