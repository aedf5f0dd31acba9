#pragma once
// The program's own help page (what the three zones do, the options, where
// the settings are), installed with it: the version window's link opens it.

#include <string>

namespace ks {

// Where the help page lies relative to a program folder: PREFIX/bin's page
// is in PREFIX/share/kestrino/help/, a build folder's in share/kestrino/help/
// inside it.
inline constexpr const char* kHelpPageInShare = "share/kestrino/help/index.html";

// The help page of the program in `programFolder`, or of another install
// found in the data folders ($XDG_DATA_HOME, $XDG_DATA_DIRS); empty when
// there is none.
std::string FindHelpPage(const std::string& programFolder);

// A local file's address (file:///...), with the characters an address
// cannot hold escaped.
std::string FileAddress(const std::string& path);

}  // namespace ks
