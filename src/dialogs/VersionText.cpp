#include "dialogs/VersionText.h"

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

struct Line {
  bool usable;
  const char* label;     // padded so that "v" and "not" line up
  const char* notLabel;  // the RAR line names another file when unusable
  std::function<int()> version;
  bool plainNumber;
};

}  // namespace

std::string VersionText(const ProbeResult& f, LibrarySet& libs) {
  auto common = [&libs](LibraryId id) {
    return std::function<int()>([&libs, id] { return libs.Get(id).GetVersion(); });
  };
  const Line lines[] = {
      {f.HasUnarj, "UnArj32J.dll ", "UnArj32J.dll ", common(LibraryId::Unarj), false},
      {f.HasBga, "Bga32.dll    ", "Bga32.dll    ", common(LibraryId::Bga), false},
      {f.HasCab, "Cab32.dll    ", "Cab32.dll    ", common(LibraryId::Cab), false},
      {f.HasUnGCA, "UnGCA32.dll  ", "UnGCA32.dll  ", common(LibraryId::UnGCA), false},
      {f.HasIsh, "Ish32.dll    ", "Ish32.dll    ", common(LibraryId::Ish), false},
      {f.HasJack, "Jack32.dll   ", "Jack32.dll   ", common(LibraryId::Jack), false},
      {f.HasUnlha, "UnLha32.dll  ", "UnLha32.dll  ", common(LibraryId::Unlha), false},
      {f.HasRar, "UnRar.dll    ", "UnRar32.dll  ",
       [&libs] { return libs.Unrar().RARGetDllVersion(); }, true},
      {f.HasTar, "Tar32.dll    ", "Tar32.dll    ", common(LibraryId::Tar), false},
      {f.HasYz1, "Yz1.dll      ", "Yz1.dll      ", common(LibraryId::Yz1), false},
      {f.HasUnZip, "UnZip32.dll  ", "UnZip32.dll  ", common(LibraryId::UnZip), false},
      {f.HasZip, "Zip32j.dll   ", "Zip32j.dll   ", common(LibraryId::Zip), false},
  };
  std::string text;
  for (const Line& line : lines) {
    std::optional<int> version;
    if (line.usable) version = Ask(line.version);
    if (version) {
      text += line.label;
      text += "v";
      text += line.plainNumber ? std::to_string(*version) : FormatVersion(*version);
    } else {
      text += line.notLabel;
      text += "not";
    }
    text += "\r\n";
  }
  return text;
}

ProbeResult CurrentLibraryFlags() {
  ProbeResult f;
  f.HasUnlha = HasUnlha;
  f.HasUnZip = HasUnZip;
  f.HasZip = HasZip;
  f.HasCab = HasCab;
  f.HasRar = HasRar;
  f.HasJack = HasJack;
  f.HasTar = HasTar;
  f.HasUnarj = HasUnarj;
  f.HasUnGCA = HasUnGCA;
  f.HasYz1 = HasYz1;
  f.HasIsh = HasIsh;
  f.HasBga = HasBga;
  return f;
}

}  // namespace ks
