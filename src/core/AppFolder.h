#pragma once
// AppFolder: where "Kestrino.ini", "kestrino.tmp" and "logo.jpg" live. Always
// ends with one separator. Set once by start-up.

#include <string>

namespace ks {

extern std::string AppFolder;

// The program's own folder when it is writable and not an installed
// program's, otherwise the per-user configuration folder
// ($XDG_CONFIG_HOME/kestrino/, default ~/.config/kestrino/, created when
// missing). Ends with a separator.
std::string ChooseAppFolder(const std::string& programFolder);

// True for the folder of an installed program: PREFIX/bin with the program's
// shared files in PREFIX/share/kestrino.
bool IsInstalledProgramFolder(const std::string& programFolder);

}  // namespace ks
