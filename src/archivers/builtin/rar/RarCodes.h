#pragma once
// Result codes of unrar.dll's published interface.

namespace ks {

constexpr int kErarSuccess = 0;
constexpr int kErarEndArchive = 10;
constexpr int kErarBadData = 12;
constexpr int kErarBadArchive = 13;
constexpr int kErarOpen = 15;
constexpr int kErarClose = 17;
constexpr int kErarNotImplemented = 21;  // ERAR_UNKNOWN: an operation we do not offer
constexpr int kErarMissingPassword = 22;

// The version unrar.dll reports (its API version, not a release number).
constexpr int kRarDllVersion = 8;
// Attribute of an ordinary file as RAR's MS-DOS attributes give it.
constexpr unsigned kRarAttrArchive = 0x20;

}  // namespace ks
