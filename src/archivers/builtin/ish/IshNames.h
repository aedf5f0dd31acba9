#pragma once
// The name a restored file gets. The header keeps only an 8.3 name; the
// title line may show the long one, but it is text for people and may have
// been edited, so the long name is taken only when it agrees with the 8.3
// name. Names are compared as stored (CP932 from DOS and Windows encoders,
// whatever the system used elsewhere) and given back as UTF-8.

#include <optional>
#include <string>

namespace ks {

// True when the 11-byte 8.3 field (8 name bytes, 3 extension bytes, space
// padded, no dot) can stand for `longName`, ignoring ASCII case: the same
// name, the name cut to 8.3, a Windows "NAME~1" alias of it, or the field
// the Unix encoder fills from a long name.
bool IshNamesAgree(const std::string& longName, const std::string& shortField);

// "NUMBERS.TXT" for the field "NUMBERS TXT" (raw bytes).
std::string IshShortName(const std::string& shortField);

// The name to restore under, UTF-8, one plain name without folders: the
// title's long name when it agrees with the 8.3 field, else the 8.3 name,
// else the title's name when the header has none, else `fallback`.
std::string ChooseIshName(const std::optional<std::string>& titleName,
                          const std::string& shortField, const std::string& fallback);

}  // namespace ks
