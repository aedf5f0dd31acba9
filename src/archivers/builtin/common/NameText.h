#pragma once
// Stored entry names as UTF-8. Archives made on Japanese Windows store names
// in CP932 without saying so; archives made elsewhere mostly in UTF-8.

#include <string>

namespace ks {

bool IsValidUtf8(const std::string& text);
// UTF-8 text stays as it is; anything else is read as CP932; bytes that are
// not CP932 either become "_", so every name can still be written.
std::string StoredNameToUtf8(const std::string& raw);

}  // namespace ks
