#include "archivers/Probe.h"

#include <functional>

namespace ks {

bool HasUnlha = false, HasUnZip = false, HasZip = false, HasCab = false, HasRar = false,
     HasJack = false, HasTar = false, HasUnarj = false, HasUnGCA = false, HasYz1 = false,
     HasIsh = false, HasBga = false;

namespace {

// A library is usable when its version entry point answers 1 or more. Anything
// it throws — missing library, missing entry point, a failure inside — is
// only "not usable" here.
bool Usable(const std::function<int()>& version) {
  try {
    return version() >= 1;
  } catch (...) {
    return false;
  }
}

}  // namespace

ProbeResult ProbeLibraries(LibrarySet& libraries) {
  const auto common = [&](LibraryId id) {
    return Usable([&] { return libraries.Get(id).GetVersion(); });
  };
  ProbeResult r;
  // The order of the calls is the order the libraries are loaded in.
  r.HasUnlha = common(LibraryId::Unlha);
  r.HasUnZip = common(LibraryId::UnZip);
  const bool zipUsable = common(LibraryId::Zip);
  r.HasCab = common(LibraryId::Cab);
  r.HasRar = Usable([&] { return libraries.Unrar().RARGetDllVersion(); });
  r.HasJack = common(LibraryId::Jack);
  r.HasTar = common(LibraryId::Tar);
  r.HasUnarj = common(LibraryId::Unarj);
  r.HasUnGCA = common(LibraryId::UnGCA);
  r.HasYz1 = common(LibraryId::Yz1);
  r.HasIsh = common(LibraryId::Ish);
  r.HasBga = common(LibraryId::Bga);
  // Creating ZIP archives is offered only where they can be extracted too.
  r.HasZip = r.HasUnZip && zipUsable;

  std::string& s = r.supported;
  if (r.HasUnlha) s += "Lzh";
  if (r.HasUnZip) s += r.HasZip ? " Zip(j)" : " Zip";
  if (r.HasCab) s += " Cab";
  if (r.HasRar) s += " Rar";
  if (r.HasJack) s += " Jack";
  if (r.HasTar) s += " Tar";
  if (r.HasUnarj) s += " Arj";
  if (r.HasUnGCA) s += " Gca";
  if (r.HasYz1) s += " Yz1";
  if (r.HasIsh) s += " Ish";
  if (r.HasBga) s += " Bga";
  return r;
}

void ApplyProbe(const ProbeResult& r) {
  HasUnlha = r.HasUnlha;
  HasUnZip = r.HasUnZip;
  HasZip = r.HasZip;
  HasCab = r.HasCab;
  HasRar = r.HasRar;
  HasJack = r.HasJack;
  HasTar = r.HasTar;
  HasUnarj = r.HasUnarj;
  HasUnGCA = r.HasUnGCA;
  HasYz1 = r.HasYz1;
  HasIsh = r.HasIsh;
  HasBga = r.HasBga;
}

}  // namespace ks
