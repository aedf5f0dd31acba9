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

// The order of the version calls is the order the libraries are loaded in.
// RAR stands for unrar.dll, whose own version entry point is asked.
constexpr LibraryId kProbeOrder[] = {
    LibraryId::Unlha, LibraryId::UnZip, LibraryId::Zip,   LibraryId::Cab,
    LibraryId::UnRar32, LibraryId::Jack, LibraryId::Tar,  LibraryId::Unarj,
    LibraryId::UnGCA, LibraryId::Yz1,   LibraryId::Ish,   LibraryId::Bga,
};

}  // namespace

ProbeResult ProbeLibraries(LibrarySet& libraries) {
  ProbeResult r;
  for (const LibraryId id : kProbeOrder) {
    r.*DescriptorOf(id).probed =
        id == LibraryId::UnRar32 ? Usable([&] { return libraries.Unrar().RARGetDllVersion(); })
                                 : Usable([&] { return libraries.Get(id).GetVersion(); });
  }
  // Creating ZIP archives is offered only where they can be extracted too.
  r.HasZip = r.HasUnZip && r.HasZip;

  for (const LibraryId id : kProbeOrder) {
    const LibraryDescriptor& d = DescriptorOf(id);
    if (!(r.*d.probed) || !d.supported) continue;
    r.supported += d.supported;
    if (id == LibraryId::UnZip && r.HasZip) r.supported += "(j)";
  }
  return r;
}

void ApplyProbe(const ProbeResult& r) {
  for (const LibraryDescriptor& d : AllLibraries()) *d.available = r.*d.probed;
}

ProbeResult CurrentLibraryFlags() {
  ProbeResult r;
  for (const LibraryDescriptor& d : AllLibraries()) r.*d.probed = *d.available;
  return r;
}

}  // namespace ks
