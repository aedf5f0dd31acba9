#pragma once
// The text rules of the settings file, apart from any disk access. A line
// "[name]" opens a section, "key=value" holds a value, ";" or "#" starts a
// comment; anything else is kept as it is and otherwise ignored. Names compare
// without regard to case. Spaces around names and values are not part of them,
// so a value that has its own leading or trailing spaces is stored in double
// quotes, and one pair of enclosing quotes is removed on reading.

#include <optional>
#include <string>

namespace ks {

// The stored value, or nullopt when the section or the key is missing.
std::optional<std::string> FindIniValue(const std::string& text, const std::string& section,
                                        const std::string& key);
// The text with the value set: an existing key is replaced where it stands
// (the first one, when a file holds it twice), a missing key is added to the
// first section of that name, a missing section is appended. Every other line
// stays byte for byte. nullopt when the section, key or value cannot be stored
// as one line (empty names, line breaks, "]" in a section, "=" in a key).
std::optional<std::string> SetIniValue(const std::string& text, const std::string& section,
                                       const std::string& key, const std::string& value);

}  // namespace ks
