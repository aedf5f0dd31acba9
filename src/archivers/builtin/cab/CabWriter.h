#pragma once
// Writes a cabinet (MSZIP or stored) of a pack plan with libgcab. The glib and gcab
// headers stay inside CabWriter.cpp: they must never meet Qt.

#include <filesystem>

#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/PackList.h"
#include "platform/Platform.h"

namespace ks {

// The format's own limits: a cabinet counts its files in 16 bits and its
// sizes in 32 bits; names are at most 255 bytes.
inline constexpr std::size_t kCabMaxFiles = 65535;
inline constexpr std::uint64_t kCabMaxTotal = 0x7FFFFFFF;
inline constexpr std::size_t kCabMaxName = 255;

// Names inside the cabinet use "\" between folders. A cabinet holds files
// only, so folders come back from the paths of their files; empty folders
// cannot be kept and are named in the log as left out. Returns 0,
// kArcTooLarge, kArcNotSupported (nothing but empty folders),
// kArcFileOpen, kArcUserCancel, or a write error. On failure `file` may
// hold a partial cabinet; the caller removes it.
// `compressed` picks MSZIP; otherwise the data is stored as it is.
int WriteCab(WindowHandle owner, const PackPlan& plan, const std::filesystem::path& file,
             bool compressed, OutputLog& log);

}  // namespace ks
