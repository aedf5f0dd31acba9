#include "dialogs/VersionText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>

namespace ks {

std::string FormatVersion(int raw) {
  const int value = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw & 0xFFFF));
  const int magnitude = std::abs(value);
  std::string cents = std::to_string(magnitude % 100);
  if (cents.size() < 2) cents.insert(0, 1, '0');
  return (value < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + cents;
}

namespace {

// The version, or nullopt when the library turned out not to answer.
std::optional<int> Ask(const std::function<int()>& call) {
  try {
    return call();
  } catch (const LibraryError&) {
    return std::nullopt;
  }
}

// The window's order of the libraries.
constexpr LibraryId kVersionOrder[] = {
    LibraryId::Unarj, LibraryId::Bga, LibraryId::Cab,     LibraryId::UnGCA,
    LibraryId::Ish,   LibraryId::Jack, LibraryId::Unlha,  LibraryId::UnRar32,
    LibraryId::Tar,   LibraryId::Yz1, LibraryId::UnZip,   LibraryId::Zip,
};

// The names are padded so that "v" and "not" line up.
std::string Padded(const char* name) {
  std::string text = name;
  text.resize(std::max<std::size_t>(text.size() + 1, 13), ' ');
  return text;
}

}  // namespace

std::string VersionText(const ProbeResult& f, LibrarySet& libs) {
  std::string text;
  for (const LibraryId id : kVersionOrder) {
    const LibraryDescriptor& d = DescriptorOf(id);
    // RAR's line shows unrar.dll's own version number, not in hundredths.
    const bool rar = id == LibraryId::UnRar32;
    std::optional<int> version;
    if (f.*d.probed)
      version = Ask([&] { return rar ? libs.Unrar().RARGetDllVersion() : libs.Get(id).GetVersion(); });
    if (version) {
      text += Padded(d.versionName) + "v" + (rar ? std::to_string(*version) : FormatVersion(*version));
    } else {
      text += Padded(d.versionNameMissing ? d.versionNameMissing : d.versionName) + "not";
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace ks
