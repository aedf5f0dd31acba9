#pragma once
// The text of the version window: one line per archiver library, usable or
// not. Plain text work, no window.

#include <string>

#include "archivers/Probe.h"

namespace ks {

// A version entry point's result read as a signed 16-bit number and shown
// hundredths: 185 -> "1.85", 1000 -> "10.00", 5 -> "0.05".
std::string FormatVersion(int raw);

// The twelve lines, each ending in CR LF. A library's version entry point is
// called only when its flag says it is usable; one that fails all the same
// is shown as not usable.
std::string VersionText(const ProbeResult& flags, LibrarySet& libraries);

}  // namespace ks
