#pragma once
// Path text helpers. They work on text only and never look at the disk. The
// separator is the native one (kPathSeparator); a folder path with a trailing
// separator ends in exactly one.

#include <string>

namespace ks {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// The path with one trailing separator added when it has none; "" gives "/".
std::string AddBackslash(const std::string& path);
// The path without its last character when that is a separator (one only).
std::string RemoveBackslash(const std::string& path);
// Up to and including the last separator; "" when there is none.
std::string ParentFolder(const std::string& path);
// After the last separator; the whole text when there is none.
std::string FileNamePart(const std::string& path);
// Before the last dot; "" when the name holds no dot.
std::string StripExtension(const std::string& name);
// StripExtension(FileNamePart(path)).
std::string BaseName(const std::string& path);
// Trims spaces at both ends, then one double quote at the start and one at
// the end, each if present. Changes `text` in place and returns it.
std::string StripQuotes(std::string& text);

}  // namespace ks
