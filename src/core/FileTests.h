#pragma once
// Small tests and lookups on the file system.

#include <string>

namespace ks {

// True when an ordinary file of that name exists and starts with "GIF".
bool IsGifFile(const std::string& path);
// The short form of a path (the path itself on this platform); "" for empty
// input or a path that does not exist.
std::string ShortPathName(const std::string& path);
// The user's desktop folder through the platform layer, without a trailing
// separator; "" when unknown.
std::string DesktopFolder();
// True when an ordinary, visible file of that name exists: what a directory
// lookup with default attributes finds. Folders and hidden files (names
// starting with ".") do not count.
bool IsOrdinaryFile(const std::string& path);

}  // namespace ks
