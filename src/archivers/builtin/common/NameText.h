#pragma once
// Stored entry names as UTF-8. Archives made on Japanese Windows store names
// in CP932 without saying so; archives made elsewhere mostly in UTF-8.

#include <optional>
#include <string>

namespace ks {

bool IsValidUtf8(const std::string& text);
// UTF-8 text stays as it is; anything else is read as CP932; bytes that are
// not CP932 either become "_", so every name can still be written.
std::string StoredNameToUtf8(const std::string& raw);
// `raw` read as CP932 even when it would also be valid UTF-8 (the archive
// said so); bytes that are not CP932 become "_".
std::string Cp932ToUtf8(const std::string& raw);
// `raw` read in Windows code page `codePage` (437, 1252 ...); nullopt when
// the system has no converter for it.
std::optional<std::string> CodePageToUtf8(const std::string& raw, unsigned codePage);
// The CP932 bytes of a UTF-8 text, when every character has a CP932 form that
// reads back as the same character; nullopt otherwise (and when the system
// has no CP932 converter). Characters CP932 only approximates are refused,
// so a name read back is always the name written.
std::optional<std::string> Utf8ToCp932Exact(const std::string& utf8);

}  // namespace ks
