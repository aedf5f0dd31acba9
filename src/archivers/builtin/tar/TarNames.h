#pragma once
// Names the Tar32 back-end derives from an archive's name.

#include <string>

namespace ks {

// The name a single compressed file unpacks to: its own name without the
// compression extension ("notes.txt.gz" -> "notes.txt", "a.tgz" -> "a.tar");
// a name without one gets ".out".
std::string SingleFileName(const std::string& archive);

}  // namespace ks
